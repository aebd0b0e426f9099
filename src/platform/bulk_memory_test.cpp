#include "platform/bulk_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <utility>
#include <vector>

namespace rivel {
namespace {

// Blocks on both sides of the sizes where huge pages start and where one is full, each filled to
// its last byte while the others are held: a block cut short or overlapping another shows as a
// wrong byte (or, under the sanitizers, as a fault).
TEST(BulkMemory, BlocksOfEverySizeHoldTheirBytesAndEachOther) {
    const size_t sizes[] = {1,
                            4096,
                            (size_t{256} << 10) - 1,
                            size_t{256} << 10,
                            (size_t{256} << 10) + 1,
                            (size_t{2} << 20) - 1,
                            size_t{2} << 20,
                            (size_t{2} << 20) + 1,
                            (size_t{5} << 20) + 17};
    std::vector<std::pair<unsigned char*, size_t>> blocks;
    for (size_t size : sizes) {
        auto* block = static_cast<unsigned char*>(AllocateBulk(size));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t), 0u);
        for (size_t i = 0; i < size; ++i) {
            block[i] = static_cast<unsigned char>(i * 31 + size);
        }
        blocks.emplace_back(block, size);
    }
    for (auto [block, size] : blocks) {
        for (size_t i = 0; i < size; i += 4093) {
            ASSERT_EQ(block[i], static_cast<unsigned char>(i * 31 + size)) << size;
        }
        ASSERT_EQ(block[size - 1], static_cast<unsigned char>((size - 1) * 31 + size)) << size;
        FreeBulk(block, size);
    }
}

// A vector that grows through the size of a huge page keeps its elements across every move.
TEST(BulkMemory, AGrowingVectorKeepsItsElements) {
    BulkVector<uint32_t> numbers;
    for (uint32_t i = 0; i < 3'000'000; ++i) {
        numbers.push_back(i);
    }
    EXPECT_EQ(std::accumulate(numbers.begin(), numbers.end(), uint64_t{0}),
              uint64_t{3'000'000} * 2'999'999 / 2);
    numbers.clear();
    numbers.shrink_to_fit();
    EXPECT_EQ(numbers.capacity(), 0u);
}

}  // namespace
}  // namespace rivel
