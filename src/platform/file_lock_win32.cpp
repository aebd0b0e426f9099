// Win32 edit lock: a lock file beside the file, opened without sharing and deleted when it is
// closed, so that only one run can hold it and nothing is left behind, even after a crash.
#include "platform/file_lock.h"

#include <windows.h>

namespace rivel {

namespace {
std::string ErrorText(DWORD code) {
    return "error " + std::to_string(code);
}
}  // namespace

bool AcquireEditLock(const std::string& path, EditLock& lock, std::string& errorText) {
    ReleaseEditLock(lock);
    std::string name = path + ".rvlock";
    // Polls while another run holds the lock; gives up after about ten minutes. A lock file
    // being deleted is briefly refused too, but a refusal that lasts means the directory
    // cannot be written, and waiting would not help.
    int refused = 0;
    for (int attempt = 0; attempt < 60000; ++attempt) {
        HANDLE h = CreateFileA(
            name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            lock.handle = reinterpret_cast<intptr_t>(h);
            lock.lockPath = name;
            return true;
        }
        DWORD err = GetLastError();
        refused = err == ERROR_ACCESS_DENIED ? refused + 1 : 0;
        if ((err != ERROR_SHARING_VIOLATION && err != ERROR_ACCESS_DENIED) || refused > 100) {
            errorText = ErrorText(err);
            return false;
        }
        Sleep(10);
    }
    errorText = "lock still held by another run";
    return false;
}

void ReleaseEditLock(EditLock& lock) {
    if (lock.handle != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(lock.handle));
    }
    lock.handle = -1;
    lock.lockPath.clear();
}

}  // namespace rivel
