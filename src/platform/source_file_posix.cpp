// POSIX positional reads: pread never moves a shared file offset, so pieces can be read in any
// order.
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "platform/read_open_posix.h"
#include "platform/source_file.h"

namespace rivel {

SourceFile::~SourceFile() {
    if (handle_ != kClosed) {
        ::close(static_cast<int>(handle_));
    }
}

bool SourceFile::Open(const std::string& path, std::string& errorText) {
    // Only a regular file can be read at any position, so anything else is refused.
    struct stat info {};
    const int fd = OpenToRead(path, info, errorText);
    if (fd < 0) {
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        errorText = S_ISDIR(info.st_mode) ? "Is a directory" : "not a regular file";
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

int64_t SourceFile::ReadAt(uint64_t offset, char* data, size_t size) {
    if (handle_ == kClosed) {
        return -1;
    }
    for (;;) {
        ssize_t got = ::pread(static_cast<int>(handle_), data, size, static_cast<off_t>(offset));
        if (got >= 0) {
            return got;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

}  // namespace rivel
