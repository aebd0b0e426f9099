// Windows has no inode numbers, fcntl locks or numeric user ids to probe.
#include "platform/file_probe.h"

namespace rivel {

bool GetFileIdentity(const std::string&, uint64_t&, uint64_t&) {
    return false;
}

bool IsFileLockedByOther(const std::string&) {
    return false;
}

uint64_t CurrentUserId() {
    return 0;
}

}  // namespace rivel
