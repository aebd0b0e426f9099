// An advisory lock that serialises RIVEL runs editing the same file: held from reading the file
// to replacing it, so that concurrent runs (login scripts on many machines) do not lose edits.
#pragma once

#include <cstdint>
#include <string>

namespace rivel {

struct EditLock {
    intptr_t handle = -1;  // platform handle while the lock is held
    std::string lockPath;  // the lock object's name (Windows: a lock file deleted on release)
};

// Waits until the edit lock for path is held. False (with errorText) when no lock can be had,
// for example on a file system without locks; the caller then goes on without one.
bool AcquireEditLock(const std::string& path, EditLock& lock, std::string& errorText);

// Releases the lock; leaves nothing behind on disk. Does nothing when no lock is held.
void ReleaseEditLock(EditLock& lock);

}  // namespace rivel
