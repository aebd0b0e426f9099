// POSIX file-system services.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

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
