// Win32 edit lock: a lock file beside the file, opened without sharing and deleted when it is
// closed, so that only one run can hold it and nothing is left behind, even after a crash.
#include <windows.h>

#include <vector>

#include "platform/file_lock.h"
#include "platform/full_name_win32.h"
#include "platform/work_files.h"

namespace rivel {

namespace {

std::string ErrorText(DWORD code) {
    return "error " + std::to_string(code);
}

// The lock files this process holds: opening one a second time would be refused, so a lock
// already held is counted instead.
struct HeldLock {
    std::string name;
    HANDLE handle;
    int count;
};

std::vector<HeldLock>& Held() {
    static std::vector<HeldLock> held;
    return held;
}

// The full name of path, so that a file reached by two names (relative and absolute, or from
// another folder by a run this one started) has one lock.
std::string FullName(const std::string& path) {
    std::string full = FullPathName(path);
    return full.empty() ? path : full;
}

void PublishHeld() {
    std::vector<std::string> identities;
    for (const HeldLock& h : Held()) {
        identities.push_back(FoldedName(h.name));
    }
    PublishHeldLocks(identities);
}

// A lock the run that started this process holds for it; releasing it does nothing.
constexpr intptr_t kInheritedLock = -2;

}  // namespace

LockResult AcquireEditLock(const std::string& path, EditLock& lock, std::string& errorText,
                           int waitSeconds) {
    ReleaseEditLock(lock);
    std::string name = LockFileName(FullName(path));
    for (HeldLock& h : Held()) {
        if (FoldedName(h.name) == FoldedName(name)) {
            ++h.count;
            lock.handle = reinterpret_cast<intptr_t>(h.handle);
            lock.lockPath = name;
            return LockResult::Held;
        }
    }
    if (HeldByStartingRun(FoldedName(name))) {
        lock.handle = kInheritedLock;
        lock.lockPath = name;
        return LockResult::Held;
    }
    // Polls while another run holds the lock. A lock file being deleted is briefly refused
    // too, but a refusal that lasts means the directory cannot be written.
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(waitSeconds) * 1000;
    int refused = 0;
    for (;;) {
        HANDLE h = CreateFileA(
            name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            Held().push_back({name, h, 1});
            PublishHeld();
            lock.handle = reinterpret_cast<intptr_t>(h);
            lock.lockPath = name;
            return LockResult::Held;
        }
        DWORD err = GetLastError();
        refused = err == ERROR_ACCESS_DENIED ? refused + 1 : 0;
        if ((err != ERROR_SHARING_VIOLATION && err != ERROR_ACCESS_DENIED) || refused > 100) {
            errorText = ErrorText(err);
            return LockResult::NoLock;
        }
        if (GetTickCount64() >= deadline) {
            errorText = "locked by another run";
            return LockResult::InUse;
        }
        Sleep(20);
    }
}

void ReleaseEditLock(EditLock& lock) {
    if (lock.handle != -1) {
        std::vector<HeldLock>& held = Held();
        for (size_t i = 0; i < held.size(); ++i) {
            if (reinterpret_cast<intptr_t>(held[i].handle) == lock.handle && --held[i].count == 0) {
                CloseHandle(held[i].handle);
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
