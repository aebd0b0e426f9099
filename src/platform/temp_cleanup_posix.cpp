// POSIX ends of a run: signal handlers and exit() remove the registered new files.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#include <cstdlib>

#include "platform/temp_cleanup.h"

namespace rivel {

void RemoveRegisteredFile(intptr_t directory, const char* name) {
    ::unlinkat(directory >= 0 ? static_cast<int>(directory) : AT_FDCWD, name, 0);
}

namespace {

extern "C" void CleanupAndDie(int signal) {
    RemoveTempFiles();
    // Ends the process as the signal would have, so the caller sees the same status.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(signal, &dfl, nullptr);
    ::raise(signal);
}

extern "C" void CleanupAtExit() {
    RemoveTempFiles();
}

// A reader of the messages that went away (`rivel ... | head`) must not end an edit half way:
// the write then fails with EPIPE, which the message log ignores. A handler rather than
// SIG_IGN, so that the programs of E lines start with the default action again.
extern "C" void IgnoreBrokenPipe(int) {}

}  // namespace

void InstallEndCleanup() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
    struct sigaction pipe {};
    pipe.sa_handler = IgnoreBrokenPipe;
    sigemptyset(&pipe.sa_mask);
    ::sigaction(SIGPIPE, &pipe, nullptr);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2}) {
        struct sigaction old {};
        ::sigaction(s, nullptr, &old);
        if (old.sa_handler == SIG_IGN) {
            continue;  // ignored by whoever started us (nohup, a background job): keep it so
        }
        struct sigaction handler {};
        handler.sa_handler = CleanupAndDie;
        sigfillset(&handler.sa_mask);
        ::sigaction(s, &handler, nullptr);
    }
    std::atexit(CleanupAtExit);
}

}  // namespace rivel
