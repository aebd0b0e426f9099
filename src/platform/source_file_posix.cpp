// POSIX positional reads: pread never moves a shared file offset, so pieces can be read in any
// order.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "platform/files.h"
#include "platform/source_file.h"

namespace rivel {

SourceFile::~SourceFile() {
    if (handle_ != kClosed) {
        ::close(static_cast<int>(handle_));
    }
}

bool SourceFile::Open(const std::string& path, std::string& errorText) {
    // Not blocking in open, which would wait for a writer of a pipe without end; only a
    // regular file can be read at any position, so anything else is refused.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        errorText = LastErrorText();
        return false;
    }
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        errorText = !known                  ? LastErrorText()
                    : S_ISDIR(info.st_mode) ? "Is a directory"
                                            : "not a regular file";
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
