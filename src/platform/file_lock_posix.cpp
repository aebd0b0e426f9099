// POSIX edit lock: flock on the directory that holds the file. A directory is never replaced, so
// every run that edits a file in it locks the same object, whether the file exists yet or not,
// and no lock file is ever created.
#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace rivel {

bool AcquireEditLock(const std::string& path, EditLock& lock, std::string& errorText) {
    ReleaseEditLock(lock);
    size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        errorText = std::strerror(errno);
        return false;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        errorText = std::strerror(errno);
        ::close(fd);
        return false;
    }
    lock.handle = fd;
    lock.lockPath = directory;
    return true;
}

void ReleaseEditLock(EditLock& lock) {
    if (lock.handle >= 0) {
        int fd = static_cast<int>(lock.handle);
        ::flock(fd, LOCK_UN);
        ::close(fd);
    }
    lock.handle = -1;
    lock.lockPath.clear();
}

}  // namespace rivel
