// POSIX whole-file replacement, done through descriptors: the target's directory is opened once
// and every later step (creating the new file, renaming it, flushing the directory) is made
// relative to that descriptor, and the new file is only ever touched through its own.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

#include "platform/file_replace.h"
#include "platform/file_replace_state.h"
#include "platform/files.h"
#include "platform/temp_cleanup.h"
#include "platform/work_files.h"
#include "platform/write_buffer.h"

namespace rivel {

// Every step is made relative to the target's directory, opened once: base and newBase name the
// files in it.
struct ReplacementFile::State : ReplacementFile::Common {
    int directory = -1;
    int fd = -1;
    std::string base;     // the target's last component
    std::string newBase;  // the new file's name inside the directory
    int error = 0;
    // The old file's extended attributes (POSIX ACLs, security labels, user attributes).
    std::vector<std::pair<std::string, std::string>> attributes;
};

namespace {

std::string ErrorText(int error) {
    return std::strerror(error);
}

std::string DirectoryPart(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool WriteAll(int fd, const char* data, size_t size, int& error) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool SyncFd(int fd) {
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    // Some file systems cannot flush a directory; that is no failure of the write.
    return rc == 0 || errno == EINVAL || errno == EROFS;
}

// The extended attributes of the file base in directory, read through a descriptor of that very
// file (dev and ino as found before); none when they cannot be read.
std::vector<std::pair<std::string, std::string>> ReadAttributes(int directory,
                                                                const std::string& base,
                                                                const struct stat& found) {
    std::vector<std::pair<std::string, std::string>> attributes;
    int fd = ::openat(directory, base.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return attributes;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_dev == found.st_dev && st.st_ino == found.st_ino) {
        ssize_t size = ::flistxattr(fd, nullptr, 0);
        std::vector<char> names(size > 0 ? static_cast<size_t>(size) : 0);
        size = size > 0 ? ::flistxattr(fd, names.data(), names.size()) : 0;
        for (ssize_t at = 0; size > 0 && at < size;) {
            std::string name(names.data() + at);
            at += static_cast<ssize_t>(name.size()) + 1;
            ssize_t length = ::fgetxattr(fd, name.c_str(), nullptr, 0);
            if (length < 0) {
                continue;
            }
            std::string value(static_cast<size_t>(length), '\0');
            length = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
            if (length >= 0) {
                value.resize(static_cast<size_t>(length));
                attributes.emplace_back(std::move(name), std::move(value));
            }
        }
    }
    ::close(fd);
    return attributes;
}

mode_t DefaultMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A name no file of the directory is likely to have; O_EXCL makes sure.
std::string CandidateName(const std::string& base, unsigned attempt) {
    static unsigned counter = 0;
    unsigned long seed = static_cast<unsigned long>(::getpid()) * 2654435761ul ^
                         static_cast<unsigned long>(std::time(nullptr)) ^
                         (static_cast<unsigned long>(++counter) << 20) ^ attempt * 40503ul;
    return NewVersionName(base, seed);
}

}  // namespace

ReplacementFile::ReplacementFile() = default;

ReplacementFile::~ReplacementFile() {
    if (state_ && state_->published) {
        std::string ignored;
        Close(ignored);
    }
    Abandon();
}

bool ReplacementFile::IsOpen() const {
    return state_ && state_->fd >= 0;
}

ReplacementFile::Common* ReplacementFile::Shared() const {
    return state_.get();
}

bool ReplacementFile::Begin(const std::string& target, std::string& errorText,
                            const ReplaceOptions& options) {
    Abandon();
    refusedNotRegular_ = false;
    if (target.empty() || target.find('\0') != std::string::npos) {
        errorText = ErrorText(ENOENT);
        return false;
    }
    auto s = std::make_unique<State>();
    s->target = target;
    if (options.followLink && !ResolveFileLinks(s->target, errorText)) {
        return false;
    }
    std::string directory = DirectoryPart(s->target);
    s->base = s->target.substr(directory.size());
    if (s->base.empty() || s->base == "." || s->base == "..") {
        errorText = ErrorText(EISDIR);
        refusedNotRegular_ = true;
        return false;
    }
    s->directory =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (s->directory < 0) {
        errorText = ErrorText(errno);
        return false;
    }
    struct stat st {};
    if (::fstatat(s->directory, s->base.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        bool replaceable = S_ISREG(st.st_mode) ||
                           (!options.followLink && !options.refuseLink && S_ISLNK(st.st_mode));
        if (!replaceable) {
            // Devices, pipes, directories (and a link swapped in since it was resolved).
            refusedNotRegular_ = true;
            errorText = "not a regular file";
            ::close(s->directory);
            return false;
        }
        if (S_ISREG(st.st_mode)) {
            if (options.refuseReadOnly &&
                ((st.st_mode & 0222) == 0 ||
                 ::faccessat(s->directory, s->base.c_str(), W_OK, AT_EACCESS) != 0)) {
                errorText = ErrorText(EACCES);
                ::close(s->directory);
                return false;
            }
            s->old = {true, static_cast<uint32_t>(st.st_mode & 07777), st.st_uid, st.st_gid};
            s->attributes = ReadAttributes(s->directory, s->base, st);
        }
    } else if (errno != ENOENT) {
        errorText = ErrorText(errno);
        ::close(s->directory);
        return false;
    }
    s->wanted = s->old;
    for (unsigned attempt = 0; attempt < 100 && s->fd < 0; ++attempt) {
        s->newBase = CandidateName(s->base, attempt);
        s->fd = ::openat(s->directory, s->newBase.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (s->fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (s->fd < 0) {
        errorText = ErrorText(errno);
        ::close(s->directory);
        return false;
    }
    s->registration = RegisterTempFile(s->directory, s->newBase);
    s->newName = directory + s->newBase;
    s->buffer.reserve(kWriteBufferSize);
    state_ = std::move(s);
    return true;
}

bool ReplacementFile::Flush() {
    if (!state_ || state_->fd < 0 || state_->failed) {
        return false;
    }
    State& s = *state_;
    if (!s.buffer.empty()) {
        if (!WriteAll(s.fd, s.buffer.data(), s.buffer.size(), s.error)) {
            s.failed = true;
            return false;
        }
        s.buffer.clear();
    }
    return true;
}

bool ReplacementFile::Write(std::string_view bytes) {
    if (!state_ || state_->fd < 0 || state_->failed) {
        return false;
    }
    State& s = *state_;
    if (!BufferedWrite(s.buffer, s.published, bytes, [&s](std::string_view piece) {
            return WriteAll(s.fd, piece.data(), piece.size(), s.error);
        })) {
        s.failed = true;
        return false;
    }
    return true;
}

namespace {

// Everything up to the rename: pending bytes, the disk, owner and mode.
bool Finish(ReplacementFile::State& s) {
    if (!s.failed && !FlushWriteBuffer(s.buffer, [&s](std::string_view piece) {
            return WriteAll(s.fd, piece.data(), piece.size(), s.error);
        })) {
        s.failed = true;
    }
    if (!s.failed && !SyncFd(s.fd)) {
        s.error = errno;
        s.failed = true;
    }
    if (s.failed) {
        return false;
    }
    if (s.wanted.known) {
        // Giving the owner needs privileges; an ordinary run keeps the file as its own, but
        // still gives it the old group where it may (it is one of the run's groups), so that
        // the group that shared the file keeps its access. The owner goes first: changing it
        // clears the set-id bits that the mode then restores.
        if (::fchown(s.fd, s.wanted.owner, s.wanted.group) != 0 &&
            ::fchown(s.fd, static_cast<uid_t>(-1), s.wanted.group) != 0) {
        }
    }
    mode_t mode = s.wanted.known ? static_cast<mode_t>(s.wanted.mode) : DefaultMode();
    if (::fchmod(s.fd, mode) != 0) {
        s.error = errno;
        s.failed = true;
        return false;
    }
    // The old file's attributes go with its own owner and mode only (a backup takes its INI
    // file's mode, not the attributes of the backup it replaces). Those the run may not set
    // (security labels without the privilege) are left out.
    const bool sameAccess = s.wanted.known && s.old.known && s.wanted.mode == s.old.mode &&
                            s.wanted.owner == s.old.owner && s.wanted.group == s.old.group;
    if (sameAccess) {
        for (const auto& [name, value] : s.attributes) {
            ::fsetxattr(s.fd, name.c_str(), value.data(), value.size(), 0);
        }
    }
    return true;
}

bool PutInPlace(ReplacementFile::State& s) {
    if (::renameat(s.directory, s.newBase.c_str(), s.directory, s.base.c_str()) != 0) {
        s.error = errno;
        s.failed = true;
        return false;
    }
    s.placed = true;
    UnregisterTempFile(s.registration);
    s.registration = nullptr;
    SyncFd(s.directory);
    return true;
}

}  // namespace

bool ReplacementFile::Commit(std::string& errorText) {
    if (!state_ || state_->fd < 0) {
        errorText = ErrorText(EBADF);
        return false;
    }
    State& s = *state_;
    bool ok = Finish(s);
    if (::close(s.fd) != 0 && ok) {
        s.error = errno;
        ok = false;
    }
    s.fd = -1;
    ok = ok && PutInPlace(s);
    if (!ok) {
        errorText = ErrorText(s.error);
        Abandon();
        return false;
    }
    ::close(s.directory);
    state_.reset();
    return true;
}

bool ReplacementFile::Publish(std::string& errorText) {
    if (!state_ || state_->fd < 0) {
        errorText = ErrorText(EBADF);
        return false;
    }
    State& s = *state_;
    if (!Finish(s) || !PutInPlace(s)) {
        errorText = ErrorText(s.error);
        Abandon();
        return false;
    }
    s.published = true;
    return true;
}

bool ReplacementFile::Close(std::string& errorText) {
    if (!state_ || !state_->published) {
        return Commit(errorText);
    }
    State& s = *state_;
    bool ok = !s.failed;
    if (ok && !s.buffer.empty()) {
        ok = WriteAll(s.fd, s.buffer.data(), s.buffer.size(), s.error);
    }
    if (::close(s.fd) != 0 && ok) {
        s.error = errno;
        ok = false;
    }
    ::close(s.directory);
    if (!ok) {
        errorText = ErrorText(s.error);
    }
    state_.reset();
    return ok;
}

void ReplacementFile::Abandon() {
    if (!state_) {
        return;
    }
    State& s = *state_;
    if (s.published) {
        return;  // in place already: Close ends it
    }
    if (s.fd >= 0) {
        ::close(s.fd);
    }
    if (!s.placed) {
        ::unlinkat(s.directory, s.newBase.c_str(), 0);
    }
    UnregisterTempFile(s.registration);
    ::close(s.directory);
    state_.reset();
}

FilePermissions ReadPermissions(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return {};
    }
    return {true, static_cast<uint32_t>(st.st_mode & 07777), st.st_uid, st.st_gid};
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

}  // namespace rivel
