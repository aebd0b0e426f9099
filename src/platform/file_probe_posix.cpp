// POSIX file probes: stat for identity, fcntl F_GETLK for locks held by other processes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_probe.h"

namespace rivel {

bool GetFileIdentity(const std::string& path, uint64_t& device, uint64_t& inode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    device = static_cast<uint64_t>(st.st_dev);
    inode = static_cast<uint64_t>(st.st_ino);
    return true;
}

bool IsFileLockedByOther(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    }
    if (fd < 0) {
        return false;
    }
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = 0;
    query.l_len = 0;
    bool locked = ::fcntl(fd, F_GETLK, &query) == 0 && query.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

uint64_t CurrentUserId() {
    return static_cast<uint64_t>(::getuid());
}

}  // namespace rivel
