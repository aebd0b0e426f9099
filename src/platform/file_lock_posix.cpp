// POSIX edit lock: flock on the directory that holds the file the name finally refers to. A
// directory is never replaced, so every run that edits a file in it locks the same object,
// whether the file exists yet or not, and no lock file is ever created.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/file_lock.h"
#include "platform/files.h"

namespace rivel {

namespace {

// The directories this process holds locked: flock would make a second descriptor of the same
// directory wait for the first one, so a lock already held is counted instead.
struct HeldDirectory {
    dev_t device;
    ino_t inode;
    int fd;
    int count;
};

std::vector<HeldDirectory>& Held() {
    static std::vector<HeldDirectory> held;
    return held;
}

std::string Identity(dev_t device, ino_t inode) {
    return std::to_string(device) + ":" + std::to_string(inode);
}

void PublishHeld() {
    std::vector<std::string> identities;
    for (const HeldDirectory& h : Held()) {
        identities.push_back(Identity(h.device, h.inode));
    }
    PublishHeldLocks(identities);
}

// A lock the run that started this process holds for it; releasing it does nothing.
constexpr intptr_t kInheritedLock = -2;

}  // namespace

LockResult AcquireEditLock(const std::string& path, EditLock& lock, std::string& errorText,
                           int waitSeconds) {
    ReleaseEditLock(lock);
    std::string real = ResolvedFileName(path);
    size_t slash = real.rfind('/');
    std::string directory = slash == std::string::npos ? "." : real.substr(0, slash + 1);
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        errorText = std::strerror(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        return LockResult::NoLock;
    }
    for (HeldDirectory& h : Held()) {
        if (h.device == st.st_dev && h.inode == st.st_ino) {
            ::close(fd);
            ++h.count;
            lock.handle = h.fd;
            lock.lockPath = directory;
            return LockResult::Held;
        }
    }
    if (HeldByStartingRun(Identity(st.st_dev, st.st_ino))) {
        ::close(fd);
        lock.handle = kInheritedLock;
        lock.lockPath = directory;
        return LockResult::Held;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            break;
        }
        int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (error != EWOULDBLOCK) {
            errorText = std::strerror(error);
            ::close(fd);
            return LockResult::NoLock;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            errorText = "locked by another run";
            ::close(fd);
            return LockResult::InUse;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Held().push_back({st.st_dev, st.st_ino, fd, 1});
    PublishHeld();
    lock.handle = fd;
    lock.lockPath = directory;
    return LockResult::Held;
}

void ReleaseEditLock(EditLock& lock) {
    if (lock.handle >= 0) {
        std::vector<HeldDirectory>& held = Held();
        for (size_t i = 0; i < held.size(); ++i) {
            if (held[i].fd == static_cast<int>(lock.handle) && --held[i].count == 0) {
                ::flock(held[i].fd, LOCK_UN);
                ::close(held[i].fd);
                held.erase(held.begin() + static_cast<std::ptrdiff_t>(i));
                PublishHeld();
                break;
            }
        }
    }
    lock.handle = -1;
    lock.lockPath.clear();
}

}  // namespace rivel
