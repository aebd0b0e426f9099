// An advisory lock that serialises RIVEL runs editing the same file: held from reading the file
// to replacing it, so that concurrent runs (login scripts on many machines) do not lose edits.
// The lock belongs to the file a name finally refers to, so runs through a symbolic link and
// through the real name take turns too. A process that already holds the lock may take it
// again (a group run edits its GRI text beside the group while holding the group's lock).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rivel {

struct EditLock {
    intptr_t handle = -1;  // platform handle while the lock is held
    std::string lockPath;  // the lock object's name (Windows: a lock file deleted on release)
};

enum class LockResult {
    Held,    // the lock is held
    InUse,   // another run kept it for the whole wait
    NoLock,  // no lock can be had here (for example a file system without locks)
};

// How long a run waits for a lock another run holds (and for a program to write to a pipe it
// reads): 30 seconds, or the number of seconds in the environment variable RIVEL_LOCK_WAIT.
int EditLockWaitSeconds();

// Waits at most waitSeconds for the edit lock of path. errorText tells why when not Held.
LockResult AcquireEditLock(const std::string& path, EditLock& lock, std::string& errorText,
                           int waitSeconds);

// Releases the lock; leaves nothing behind on disk. Does nothing when no lock is held.
void ReleaseEditLock(EditLock& lock);

// A program that a run starts (an E or EA line) runs while that run waits for it, holding its
// locks: a rivel started so would otherwise wait for them until it gave up. The locks a run
// holds are therefore named in the environment its programs inherit, and a run takes a lock
// named there as its own. Identities are the platform's names of the locked objects.
bool HeldByStartingRun(const std::string& identity);
// Names the locks this process holds (with those it inherited) for the programs it starts.
void PublishHeldLocks(const std::vector<std::string>& identities);

// Holds an edit lock for a scope.
class ScopedEditLock {
  public:
    ScopedEditLock() = default;
    ~ScopedEditLock() { ReleaseEditLock(lock_); }
    ScopedEditLock(const ScopedEditLock&) = delete;
    ScopedEditLock& operator=(const ScopedEditLock&) = delete;
    LockResult Acquire(const std::string& path, std::string& errorText) {
        return AcquireEditLock(path, lock_, errorText, EditLockWaitSeconds());
    }

  private:
    EditLock lock_;
};

}  // namespace rivel
