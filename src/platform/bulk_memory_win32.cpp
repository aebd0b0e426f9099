// Large blocks on Windows: large pages there need a privilege that a normal account lacks, so
// every block comes from operator new.
#include "platform/bulk_memory.h"

namespace rivel {

void* AllocateBulk(size_t bytes) {
    return ::operator new(bytes);
}

void FreeBulk(void* block, size_t) noexcept {
    ::operator delete(block);
}

}  // namespace rivel
