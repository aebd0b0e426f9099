// POSIX file-system services.
#include "platform/files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/file_lock.h"
#include "platform/read_open_posix.h"

namespace rivel {

namespace {

// A name the system can be asked about: a NUL would cut it short, so that the question would
// be about another file.
bool Usable(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

bool Stat(const std::string& path, struct stat& st) {
    return Usable(path) && ::stat(path.c_str(), &st) == 0;
}

// Waits until a program has written to the pipe or closed its end: false when none did within
// the wait.
bool PipeHasWriter(int fd) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(EditLockWaitSeconds());
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        struct pollfd p {};
        p.fd = fd;
        p.events = POLLIN;
        int rc = ::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (rc > 0) {
            return true;
        }
        if (rc == 0 || errno != EINTR) {
            return false;
        }
    }
}

}  // namespace

bool PathExists(const std::string& path) {
    struct stat st {};
    return Stat(path, st);
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return Stat(path, st) && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return Stat(path, st) && S_ISREG(st.st_mode);
}

std::string SystemErrorText(unsigned long code) {
    return std::strerror(static_cast<int>(code));
}

std::string LastErrorText() {
    return SystemErrorText(static_cast<unsigned long>(errno));
}

int OpenToRead(const std::string& path, struct stat& info, std::string& errorText) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        errorText = LastErrorText();
        return -1;
    }
    if (::fstat(fd, &info) != 0) {
        errorText = LastErrorText();
        ::close(fd);
        return -1;
    }
    return fd;
}

std::FILE* OpenReadStream(const std::string& path, std::string& errorText) {
    if (!Usable(path)) {
        errorText = std::strerror(ENOENT);
        return nullptr;
    }
    struct stat st {};
    const int fd = OpenToRead(path, st, errorText);
    if (fd < 0) {
        return nullptr;
    }
    struct stat null {};
    bool readable = false;
    if (S_ISDIR(st.st_mode)) {
        errorText = "Is a directory";
    } else if (S_ISREG(st.st_mode)) {
        readable = true;
    } else if (S_ISFIFO(st.st_mode)) {
        readable = PipeHasWriter(fd);
        if (!readable) {
            errorText = "nothing writes to the pipe";
        }
    } else if (S_ISCHR(st.st_mode) &&
               (::isatty(fd) == 1 || (::stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode) &&
                                      null.st_rdev == st.st_rdev))) {
        readable = true;
    } else {
        errorText = "not a regular file";
    }
    std::FILE* stream = nullptr;
    if (readable) {
        int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            errorText = LastErrorText();
        } else if ((stream = ::fdopen(fd, "rb")) == nullptr) {
            errorText = LastErrorText();
        }
    }
    if (stream == nullptr) {
        ::close(fd);
    }
    return stream;
}

bool ResolveFileLinks(std::string& path, std::string& errorText) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return true;
        }
        std::vector<char> link(st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 256);
        for (;;) {
            ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
            if (n < 0) {
                errorText = LastErrorText();
                return false;
            }
            if (static_cast<size_t>(n) < link.size()) {
                std::string to(link.data(), static_cast<size_t>(n));
                size_t slash = path.rfind('/');
                std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
                path = to.rfind('/', 0) == 0 ? to : directory + to;
                break;
            }
            link.resize(link.size() * 2);
        }
    }
    errorText = SystemErrorText(ELOOP);
    return false;
}

std::string ResolvedFileName(const std::string& path) {
    std::string resolved = path;
    std::string ignored;
    return ResolveFileLinks(resolved, ignored) ? resolved : path;
}

std::string FileIdentity(const std::string& path) {
    struct stat st {};
    if (!Stat(path, st)) {
        return "";
    }
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

bool RemoveFile(const std::string& path, std::string& errorText) {
    if (!Usable(path)) {
        errorText = SystemErrorText(EINVAL);
        return false;
    }
    if (::unlink(path.c_str()) == 0) {
        return true;
    }
    errorText = LastErrorText();
    return false;
}

bool RenameFile(const std::string& from, const std::string& to, std::string& errorText) {
    if (!Usable(from) || !Usable(to)) {
        errorText = SystemErrorText(EINVAL);
        return false;
    }
    if (::rename(from.c_str(), to.c_str()) == 0) {
        return true;
    }
    errorText = LastErrorText();
    return false;
}

std::string CreateUniqueFile(const std::string& directory, const std::string& stem) {
    std::string path = directory;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += stem + "XXXXXX";
    std::vector<char> buffer(path.begin(), path.end());
    buffer.push_back('\0');
    int fd = ::mkstemp(buffer.data());
    if (fd < 0) {
        return "";
    }
    ::close(fd);
    return std::string(buffer.data());
}

const char* NativeLineEnd() {
    return "\n";
}

char PathSeparator() {
    return '/';
}

bool IsPathSeparator(char c) {
    return c == '/';
}

}  // namespace rivel

namespace rivel {

bool IsSlashPathArgument(const std::string& argument) {
    if (argument.empty() || argument[0] != '/') {
        return false;
    }
    size_t equals = argument.find('=');
    size_t second = argument.find('/', 1);
    return second != std::string::npos && (equals == std::string::npos || second < equals);
}

}  // namespace rivel
