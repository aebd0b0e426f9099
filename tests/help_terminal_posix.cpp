// The help pages read their keys from a terminal in raw mode: whatever ends the program while it
// waits for a key (Ctrl-C, Ctrl-\), the terminal is given back with its echo and line editing.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "rivel_runner.h"

namespace {

using rivel_test::RivelPath;

struct Ended {
    bool signalled = false;
    tcflag_t localModes = 0;
};

// Runs the help on a terminal of its own, types key once the help waits for one, and tells how
// the program ended and the terminal's local modes afterwards.
Ended HelpEndedBy(char key) {
    Ended ended;
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return ended;
    }
    const std::string terminal = ::ptsname(master);
    const std::string program = RivelPath().string();
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        int slave = ::open(terminal.c_str(), O_RDWR);
        ::dup2(slave, 0);
        ::dup2(slave, 1);
        ::dup2(slave, 2);
        rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::execl(program.c_str(), program.c_str(), "/?", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    termios modes{};
    for (int i = 0; i < 1000; ++i) {
        if (::tcgetattr(master, &modes) == 0 && (modes.c_lflag & ECHO) == 0) {
            break;
        }
        ::usleep(10000);
    }
    EXPECT_EQ(modes.c_lflag & ECHO, 0u) << "the help never waited for a key";
    EXPECT_EQ(::write(master, &key, 1), 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ended.signalled = WIFSIGNALED(status);
    if (::tcgetattr(master, &modes) == 0) {
        ended.localModes = modes.c_lflag;
    }
    ::close(master);
    return ended;
}

TEST(HelpTerminal, EchoAndLineEditingComeBackWhenAKeyEndsTheProgram) {
    for (char key : {'\x03', '\x1c'}) {
        Ended ended = HelpEndedBy(key);
        EXPECT_TRUE(ended.signalled) << int(key);
        EXPECT_NE(ended.localModes & ECHO, 0u) << int(key);
        EXPECT_NE(ended.localModes & ICANON, 0u) << int(key);
    }
}

}  // namespace
