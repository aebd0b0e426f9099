// POSIX console: raw terminal mode for one key, restored afterwards and on the signals that end
// the program from the keyboard or by request (Ctrl-C, Ctrl-\, a kill).
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

#include "platform/console.h"

namespace rivel {

namespace {

termios savedTerminal;
volatile sig_atomic_t terminalChanged = 0;

void RestoreTerminal() {
    if (terminalChanged) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        terminalChanged = 0;
    }
}

void OnInterrupt(int sig) {
    RestoreTerminal();
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

}  // namespace

void KeepStandardStreamsOpen() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free number is fd itself, as the ones below it are open.
            int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (opened >= 0 && opened != fd) {
                ::close(opened);
            }
        }
    }
}

int ReadKeyNoEcho() {
    unsigned char c = 0;
    if (!::isatty(STDIN_FILENO)) {
        return ::read(STDIN_FILENO, &c, 1) == 1 ? c : 27;
    }
    if (::tcgetattr(STDIN_FILENO, &savedTerminal) != 0) {
        return ::read(STDIN_FILENO, &c, 1) == 1 ? c : 27;
    }
    termios raw = savedTerminal;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    auto oldInt = ::signal(SIGINT, OnInterrupt);
    auto oldQuit = ::signal(SIGQUIT, OnInterrupt);
    auto oldTerm = ::signal(SIGTERM, OnInterrupt);
    terminalChanged = 1;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n == 1 && c == 27) {
        // Arrow and function keys send ESC and more bytes right behind it. Such a key is one key
        // like any other, not ESC; its bytes are read here so that none is left for the shell.
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 1;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
        unsigned char next = 0;
        if (::read(STDIN_FILENO, &next, 1) == 1 && next != 27) {
            c = next;
            while (::read(STDIN_FILENO, &next, 1) == 1) {
            }
        }
    }
    RestoreTerminal();
    ::signal(SIGINT, oldInt);
    ::signal(SIGQUIT, oldQuit);
    ::signal(SIGTERM, oldTerm);
    return n == 1 ? c : 27;
}

std::string RawCommandLine(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            line += ' ';
        }
        line += argv[i];
    }
    return line;
}

void WriteStdoutBytes(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace rivel
