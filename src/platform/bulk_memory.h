// Memory for the large arrays of a run (the stored commands of a CMD file and their index).
// Fresh memory is handed to a process a page at a time as it is first touched, and on many
// machines (virtual ones above all) each of those steps costs more than filling the page: an
// array of 10 MiB costs thousands of them. Blocks of 256 KiB and more are therefore asked for in
// huge pages where the system offers them; smaller blocks come from operator new as usual.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace rivel {

// A block of at least `bytes` bytes, aligned for any type; std::bad_alloc when there is none.
void* AllocateBulk(size_t bytes);
// Gives back a block of AllocateBulk, with the size it was asked for.
void FreeBulk(void* block, size_t bytes) noexcept;

template <class T>
struct BulkAllocator {
    using value_type = T;
    BulkAllocator() = default;
    template <class U>
    BulkAllocator(const BulkAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > SIZE_MAX / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        return static_cast<T*>(AllocateBulk(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept { FreeBulk(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const BulkAllocator<U>&) const noexcept {
        return true;
    }
};

template <class T>
using BulkVector = std::vector<T, BulkAllocator<T>>;
using BulkString = std::basic_string<char, std::char_traits<char>, BulkAllocator<char>>;

}  // namespace rivel
