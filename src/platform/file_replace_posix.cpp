// POSIX whole-file replacement: copy into a new file in the target's directory, fsync, rename.
#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace rivel {

namespace {

std::string ErrnoText() {
    return std::strerror(errno);
}

// Writes all of data; false on any error (disk full, size limit, I/O error).
bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool CopyInto(int from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        if (!WriteAll(to, buffer.data(), static_cast<size_t>(n))) {
            return false;
        }
    }
}

mode_t DefaultMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

namespace {

// The file a name finally refers to (a symbolic link is followed).
std::string RealTarget(const std::string& target) {
    std::string real = target;
    struct stat linkInfo {};
    if (::lstat(target.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        char* resolved = ::realpath(target.c_str(), nullptr);
        if (resolved != nullptr) {
            real = resolved;
            std::free(resolved);
        }
    }
    return real;
}

}  // namespace

bool MoveOrReplaceFileWith(const std::string& source, const std::string& target,
                           std::string& errorText) {
    std::string real = RealTarget(target);
    size_t slash = real.rfind('/');
    std::string directory = slash == std::string::npos ? "." : real.substr(0, slash + 1);
    struct stat from {
    }, dir{}, old{};
    bool exists = ::stat(real.c_str(), &old) == 0;
    if (::stat(source.c_str(), &from) == 0 && ::stat(directory.c_str(), &dir) == 0 &&
        from.st_dev == dir.st_dev && S_ISREG(from.st_mode)) {
        if (exists) {
            // The owner can only be given by a privileged run; failing that the file is ours.
            if (::chown(source.c_str(), old.st_uid, old.st_gid) != 0) {
            }
        }
        if (::chmod(source.c_str(), exists ? (old.st_mode & 07777) : DefaultMode()) == 0 &&
            ::rename(source.c_str(), real.c_str()) == 0) {
            return true;
        }
    }
    return ReplaceFileWith(source, target, errorText);
}

bool ReplaceFileWith(const std::string& source, const std::string& target, std::string& errorText) {
    std::string real = RealTarget(target);
    struct stat old {};
    bool exists = ::stat(real.c_str(), &old) == 0;
    size_t slash = real.rfind('/');
    std::string directory = slash == std::string::npos ? "" : real.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? real : real.substr(slash + 1);
    std::string pattern = directory + "." + base + ".rvlXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int out = ::mkstemp(name.data());
    if (out < 0) {
        errorText = ErrnoText();
        return false;
    }
    std::string beside(name.data());
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = in >= 0 && CopyInto(in, out);
    if (!ok) {
        errorText = ErrnoText();
    }
    if (in >= 0) {
        ::close(in);
    }
    if (ok) {
        if (exists) {
            // The owner can only be given by a privileged run; failing that the file is ours.
            if (::fchown(out, old.st_uid, old.st_gid) != 0) {
            }
        }
        if (::fchmod(out, exists ? (old.st_mode & 07777) : DefaultMode()) != 0) {
            errorText = ErrnoText();
            ok = false;
        }
    }
    if (::close(out) != 0 && ok) {
        errorText = ErrnoText();
        ok = false;
    }
    if (ok && ::rename(beside.c_str(), real.c_str()) != 0) {
        errorText = ErrnoText();
        ok = false;
    }
    if (!ok) {
        ::unlink(beside.c_str());
        return false;
    }
    return true;
}

void CopyPermissionBits(const std::string& from, const std::string& to) {
    struct stat st {};
    if (::stat(from.c_str(), &st) == 0) {
        ::chmod(to.c_str(), st.st_mode & 07777);
    }
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

}  // namespace rivel
