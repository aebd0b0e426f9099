// Large blocks in transparent huge pages where the system has them (Linux), else plain pages.
#include "platform/bulk_memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace rivel {

namespace {
// The size of a huge page on the machines that have them.
constexpr size_t kHugePage = size_t{2} << 20;
// The smallest block given one: a block of 256 KiB takes 64 page faults in plain pages and one
// in a huge page, for at most 1.75 MiB of the page left unused. The arrays of a large CMD file
// double their way up through these sizes, so the faults add up.
constexpr size_t kSmallestHuge = size_t{256} << 10;

size_t Rounded(size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}
}  // namespace

void* AllocateBulk(size_t bytes) {
    if (bytes < kSmallestHuge) {
        return ::operator new(bytes);
    }
    if (bytes > SIZE_MAX - 2 * kHugePage) {
        throw std::bad_alloc();
    }
    // A huge page must start on its own boundary: map one page more than asked and give back
    // the unaligned ends.
    const size_t size = Rounded(bytes);
    void* mapped =
        mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
    if (aligned > start) {
        munmap(mapped, aligned - start);
    }
    if (const size_t tail = start + kHugePage - aligned; tail > 0) {
        munmap(reinterpret_cast<void*>(aligned + size), tail);
    }
    void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    // Only advice: where huge pages are off or used up, the block has ordinary pages.
    madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

void FreeBulk(void* block, size_t bytes) noexcept {
    if (block == nullptr) {
        return;
    }
    if (bytes < kSmallestHuge) {
        ::operator delete(block);
        return;
    }
    munmap(block, Rounded(bytes));
}

}  // namespace rivel
