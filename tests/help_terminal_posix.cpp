// The help pages read their keys from a terminal in raw mode: whatever ends the program while it
// waits for a key (Ctrl-C, Ctrl-\), the terminal is given back with its echo and line editing, and
// a key that sends several bytes (an arrow key) counts as one key.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rivel_runner.h"

namespace {

using rivel_test::RivelPath;

struct Ended {
    bool signalled = false;
    tcflag_t localModes = 0;
};

// Starts rivel with option on a pseudo-terminal of its own, without core dumps; returns its
// process id and the terminal's master side, or -1.
pid_t StartOnTerminal(const char* option, int& master) {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return -1;
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
        ::execl(program.c_str(), program.c_str(), option, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

// Whether the program has put the terminal into raw mode (it waits for a key) within the time
// given in hundredths of a second.
bool WaitsForAKey(int master, int hundredths) {
    termios modes{};
    for (int i = 0; i < hundredths; ++i) {
        if (::tcgetattr(master, &modes) == 0 && (modes.c_lflag & ECHO) == 0) {
            return true;
        }
        ::usleep(10000);
    }
    return false;
}

// Runs the help on a terminal of its own, types key once the help waits for one, and tells how
// the program ended and the terminal's local modes afterwards.
Ended HelpEndedBy(char key) {
    Ended ended;
    int master = -1;
    pid_t pid = StartOnTerminal("/?", master);
    if (pid < 0) {
        return ended;
    }
    EXPECT_TRUE(WaitsForAKey(master, 1000)) << "the help never waited for a key";
    termios modes{};
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

const std::string kPrompt = "----- PRESS ANY KEY, ESC to abort -----";

size_t CountPrompts(const std::string& out) {
    size_t n = 0;
    for (size_t at = out.find(kPrompt); at != std::string::npos; at = out.find(kPrompt, at + 1)) {
        ++n;
    }
    return n;
}

// Reads what the program wrote to the terminal until `prompts` prompts have come or nothing more
// comes for two seconds.
void ReadUntilPrompts(int master, std::string& out, size_t prompts) {
    while (CountPrompts(out) < prompts) {
        pollfd p{master, POLLIN, 0};
        char buffer[4096];
        ssize_t n = 0;
        if (::poll(&p, 1, 2000) <= 0 || (n = ::read(master, buffer, sizeof buffer)) <= 0) {
            return;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
}

// Runs the help on a terminal of its own and types each of keys (one write each) once the help
// waits for a key; returns the number of prompts the program wrote.
size_t PromptsAfterTyping(const std::vector<std::string>& keys) {
    int master = -1;
    pid_t pid = StartOnTerminal("/h", master);
    if (pid < 0) {
        return 0;
    }
    std::string out;
    for (size_t i = 0; i < keys.size(); ++i) {
        ReadUntilPrompts(master, out, i + 1);
        if (CountPrompts(out) != i + 1) {
            break;  // the help has ended
        }
        EXPECT_TRUE(WaitsForAKey(master, 200)) << "the help never waited for key " << i + 1;
        EXPECT_EQ(::write(master, keys[i].data(), keys[i].size()),
                  static_cast<ssize_t>(keys[i].size()));
    }
    ReadUntilPrompts(master, out, keys.size() + 1);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(master);
    return CountPrompts(out);
}

TEST(HelpTerminal, AnArrowKeyShowsTheNextPageAndEscapeAloneEndsTheHelp) {
    // Down arrow, then F1 (the two common forms of such keys), then ESC.
    EXPECT_EQ(PromptsAfterTyping({"\x1b[B", "\x1bOP", "\x1b"}), 3u);
    EXPECT_EQ(PromptsAfterTyping({"\x1b", "x"}), 1u);
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
