// Win32 ends of a run: Ctrl-C, Ctrl-Break, console close and exit() remove the registered new
// files. The console handler runs on a thread of its own; the files are opened with delete
// sharing, so removing them while they are still open works (they go when the last handle does).
#include <windows.h>

#include <cstdlib>

#include "platform/temp_cleanup.h"

namespace rivel {

void RemoveRegisteredFile(intptr_t, const char* name) {
    DeleteFileA(name);
}

namespace {

BOOL WINAPI CleanupOnControl(DWORD) {
    RemoveTempFiles();
    return FALSE;  // the default handler then ends the process
}

void CleanupAtExit() {
    RemoveTempFiles();
}

}  // namespace

void InstallEndCleanup() {
    SetConsoleCtrlHandler(CleanupOnControl, TRUE);
    std::atexit(CleanupAtExit);
}

}  // namespace rivel
