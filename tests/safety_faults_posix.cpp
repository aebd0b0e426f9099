// Faults that only POSIX systems can stage from a test: devices and pipes under a file's name,
// another process holding the lock, signals and limits set in the child.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "rivel_runner.h"
#include "safety_support.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

TEST(SafetyPosix, NonRegularIniTargetsAreRefusedAndKept) {
    ScratchDir dir;
    fs::create_symlink("/dev/null", dir / "BLANK.INI");
    ASSERT_EQ(::mkfifo((dir / "PIPE.INI").c_str(), 0600), 0);
    WriteFile(dir / "x.cmd", "+[a]k=1\n");
    for (const char* ini : {"BLANK.INI", "PIPE.INI"}) {
        // A pipe nobody writes would hold a run that read it for ever: the alarm ends it.
        ChildLimits limits;
        limits.alarmSeconds = 20;
        RunResult r = RunLimited({"/b", ini, "x.cmd"}, dir.path(), limits);
        EXPECT_EQ(r.status, 0) << ini;
        EXPECT_NE(r.err.find("INI file is not a regular file, not changed : ./" + std::string(ini)),
                  std::string::npos)
            << r.err;
    }
    EXPECT_TRUE(fs::is_symlink(dir / "BLANK.INI"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_fifo(dir / "PIPE.INI"));
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"BLANK.INI", "PIPE.INI", "x.cmd"}));
}

// Files that are only read (command files, a base file, a file a condition reads, a group, a
// registry file) may be a pipe that nothing writes to or a device that never ends: the run
// says it cannot read them and goes on, instead of waiting or filling memory for ever.
TEST(SafetyPosix, PipesNothingWritesToAndEndlessDevicesAreNotRead) {
    ScratchDir dir;
    WriteFile(dir / "A.INI", "[a]\nk=1\n");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero");
    fs::create_directories(dir / "reg");
    WriteFile(dir / "x.rcm", "REGEDITCMD1\n[HKEY_CURRENT_USER\\Software\\Firm]\n\"A\"=\"1\"\n");
    WriteFile(dir / "infile.cmd", "IF INFILE pipe KEY [a] k\n+[a]k=2\nENDIF\n+[a]seen=1\n");
    WriteFile(dir / "x.cmd", "+[a]k=3\n");
    ChildLimits limits;
    limits.env = {"RIVEL_LOCK_WAIT=0", "RIVEL_REGISTRY=" + (dir / "reg").string()};
    limits.alarmSeconds = 10;
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer cannot start under an address-space limit; the alarm still ends a run
    // that would read /dev/zero for ever.
    limits.memoryBytes = 1024L * 1024 * 1024;
#endif
    for (const char* source : {"pipe", "zero"}) {
        const std::string name = source;
        const fs::path hive = dir / "reg" / "user.reg";
        if (name == "pipe") {
            ASSERT_EQ(::mkfifo(hive.c_str(), 0600), 0);
        } else {
            fs::create_symlink("/dev/zero", hive);
        }
        struct Case {
            std::vector<std::string> args;
            std::string message;
        };
        const Case cases[] = {
            {{"/x", "A.INI", name}, "CMDFile not opened correctly :./" + name},
            {{"/x", "/c", name}, "ICMFile open returns BAD for :./" + name},
            {{"/x", "/r", name}, "Can't open inputfile          ./" + name},
            {{"/x", "/c", "g.grp", name}, "Can't open GRI-File"},
            {{"/x", "/d", name, "g.gri"}, "Can't open inputfile <./" + name + ">"},
            {{"/x", "/n=" + name, "NEW.INI", "x.cmd"}, "Can't open input file         ./" + name},
            {{"/x", "/r", "x.rcm"}, "Can't read registry file      " + (dir / "reg").string()},
        };
        for (const Case& c : cases) {
            RunResult r = RunLimited(c.args, dir.path(), limits);
            EXPECT_EQ(r.status, 1) << name << " " << c.args[1] << "\n" << r.err;
            EXPECT_NE((r.out + r.err).find(c.message), std::string::npos)
                << name << " " << c.args[1] << "\n"
                << r.out << r.err;
        }
        fs::remove(hive);
    }
    // A condition on a file that cannot be read is false; the rest of the CMD file runs.
    RunResult r = RunLimited({"A.INI", "infile.cmd"}, dir.path(), limits);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Can't open <pipe> for reading "), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\nk=1\nseen=1\n");
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"A.INI", "infile.cmd", "pipe", "reg",
                                                           "x.cmd", "x.rcm", "zero"}));
    EXPECT_TRUE(fs::is_empty(dir / "reg"));
    // A pipe that a program writes to is read.
    // The writer keeps none of the test's output streams, and cannot outlive it for long when
    // nothing opens the pipe.
    ASSERT_EQ(std::system(("timeout 30 sh -c 'echo \"+[a]k=4\" >" + (dir / "pipe").string() +
                           "' </dev/null >/dev/null 2>&1 &")
                              .c_str()),
              0);
    limits.env = {"RIVEL_LOCK_WAIT=5"};
    r = RunLimited({"/x", "A.INI", "pipe"}, dir.path(), limits);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\nk=4\nseen=1\n");
}

// Started without standard input, output and error (as a service may start it), the run's
// messages go nowhere: none of them ends up in a file that took the number of a missing stream.
TEST(SafetyPosix, MissingStandardStreamsGetNoFileOfTheRun) {
    ScratchDir dir;
    WriteFile(dir / "g.gri", "[Group Info]\nPRGName=G\n[Tool]\nCommand=TOOL.EXE\n");
    WriteFile(dir / "x.cmd", "+[a]k=2\n");
    const std::string rivel = RivelPath().string();
    for (int closed : {1, 3}) {
        WriteFile(dir / "A.INI", "[a]\nk=1\n");
        fs::remove(dir / "A.bak");
        for (std::vector<std::string> args :
             {std::vector<std::string>{"/v9", "/b", "A.INI", "x.cmd"},
              std::vector<std::string>{"/v9", "/c", "g.grp", "g.gri"}}) {
            args.insert(args.begin(), rivel);
            std::vector<char*> argv;
            for (std::string& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            pid_t pid = ::fork();
            if (pid == 0) {
                if (::chdir(dir.path().c_str()) != 0) {
                    ::_exit(126);
                }
                for (int fd = STDERR_FILENO; fd > STDERR_FILENO - closed; --fd) {
                    ::close(fd);
                }
                ::execv(argv[0], argv.data());
                ::_exit(127);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\nk=2\n") << closed;
        EXPECT_EQ(ReadFile(dir / "A.bak"), "[a]\nk=1\n") << closed;
        std::string group = ReadFile(dir / "g.grp");
        EXPECT_EQ(group.compare(0, 4, "PMCC"), 0) << closed;
        EXPECT_EQ(group.find("RIVEL"), std::string::npos) << closed;
    }
    EXPECT_EQ(Names(dir.path()),
              (std::vector<std::string>{"A.INI", "A.bak", "g.gri", "g.grp", "x.cmd"}));
}

TEST(SafetyPosix, LockHeldTooLongEndsTheWaitWithAMessage) {
    ScratchDir dir;
    fs::create_directories(dir / "etc");
    WriteFile(dir / "etc" / "A.INI", "[a]\nk=1\n");
    fs::create_symlink("etc/A.INI", dir / "LINK.INI");
    WriteFile(dir / "x.cmd", "+[a]k=2\n");
    // Any user who can open the directory can hold its lock.
    int holder = ::open((dir / "etc").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    ChildLimits limits;
    limits.env = {"RIVEL_LOCK_WAIT=1"};
    limits.alarmSeconds = 20;
    for (const char* name : {"etc/A.INI", "./LINK.INI"}) {
        RunResult r = RunLimited({name, "x.cmd"}, dir.path(), limits);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.err.find("INI file in use, not changed : " + std::string(name)),
                  std::string::npos)
            << r.err;
    }
    EXPECT_EQ(ReadFile(dir / "etc" / "A.INI"), "[a]\nk=1\n");
    ::close(holder);
    RunResult r = RunLimited({"LINK.INI", "x.cmd"}, dir.path(), limits);
    EXPECT_EQ(ReadFile(dir / "etc" / "A.INI"), "[a]\nk=2\n") << r.err;
    EXPECT_EQ(Names(dir / "etc"), (std::vector<std::string>{"A.INI"}));
}

}  // namespace
}  // namespace rivel_test

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

constexpr long kSmallLimit = 16 * 1024;

// A message label as the log writes it: padded to 30 columns.
std::string Label(std::string label) {
    label.resize(std::max<size_t>(label.size(), 30), ' ');
    return label;
}

// A log named through a symbolic link (as /dev/stdout is) keeps the link and what it names:
// the messages stay on the console.
TEST(SafetyPosix, ALinkAtTheLogNameIsNeitherReplacedNorFollowed) {
    ScratchDir dir;
    WriteFile(dir / "A.INI", "[a]\nk=1\n");
    WriteFile(dir / "x.cmd", "+[a]k=2\n");
    WriteFile(dir / "kept.txt", "kept\n");
    fs::create_symlink("kept.txt", dir / "run.log");
    fs::create_symlink("/proc/self/fd/1", dir / "out.log");
    for (const char* log : {"/l=run.log", "/l=out.log"}) {
        RunResult r = RunLimited({"/v5", log, "A.INI", "x.cmd"}, dir.path(), {});
        EXPECT_NE(r.err.find(Label("INI-Scan  : ") + "./A.INI"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Can't create log file : "), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::is_symlink(dir / "run.log"));
    EXPECT_TRUE(fs::is_symlink(dir / "out.log"));
    EXPECT_EQ(ReadFile(dir / "kept.txt"), "kept\n");
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\nk=2\n");
}

TEST(SafetyPosix, OutputAndLogWriteFailuresAreReported) {
    ScratchDir dir;
    WriteFile(dir / "A.INI", "[a]\nk=1\n");
    WriteFile(dir / "out.txt", "old output\n");
    std::string cmd = "O out.txt\n";
    for (int i = 0; i < 2000; ++i) {
        cmd += "W line number " + std::to_string(i) + " of the output file\n";
    }
    WriteFile(dir / "x.cmd", cmd + "+[a]k=2\n");
    ChildLimits limits;
    limits.fileSizeBytes = kSmallLimit;
    RunResult r = RunLimited({"/v1", "/l=run.log", "A.INI", "x.cmd"}, dir.path(), limits);
    std::string log = ReadFile(dir / "run.log");
    EXPECT_NE(log.find(Label("Write Outfile failed : ") + "out.txt"), std::string::npos) << log;
    EXPECT_EQ(ReadFile(dir / "out.txt"), "old output\n");
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\nk=2\n");
    // The log reaches the limit (its head, about 160 bytes, fits; the first failure's two
    // lines do not): the failure is said on standard error, where the log goes on.
    limits.fileSizeBytes = 220;
    r = RunLimited({"/v1", "/l=big.log", "A.INI", "x.cmd"}, dir.path(), limits);
    EXPECT_NE(r.err.find(Label("Log file write failed : ") + "./big.log"), std::string::npos)
        << r.err;
    EXPECT_EQ(Names(dir.path()),
              (std::vector<std::string>{"A.INI", "big.log", "out.txt", "run.log", "x.cmd"}));
    // A log that cannot be made or written is a failed write for /x, even when the edit is made.
    WriteFile(dir / "y.cmd", "+[a]k=3\n");
    r = RunLimited({"/x", "/v9", "/l=full.log", "A.INI", "y.cmd"}, dir.path(), limits);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find(Label("Log file write failed : ") + "./full.log"), std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\nk=3\n");
    WriteFile(dir / "y.cmd", "+[a]k=4\n");
    r = RunLimited({"/x", "/l=missing/run.log", "A.INI", "y.cmd"}, dir.path(), {});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find(Label("Can't create log file : ") + "missing/run.log"), std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\nk=4\n");
}

TEST(SafetyPosix, BackupNeverFollowsALinkAndAFailedBackupKeepsTheIni) {
    ScratchDir dir;
    WriteFile(dir / "victim", "precious\n");
    WriteFile(dir / "A.INI", "[a]\nk=1\n");
    fs::create_symlink("victim", dir / "A.bak");
    WriteFile(dir / "x.cmd", "+[a]k=2\n");
    RunResult r = RunLimited({"/b", "A.INI", "x.cmd"}, dir.path(), {});
    EXPECT_EQ(ReadFile(dir / "victim"), "precious\n");
    EXPECT_FALSE(fs::is_symlink(dir / "A.bak"));
    EXPECT_EQ(ReadFile(dir / "A.bak"), "[a]\nk=1\n");
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\nk=2\n");
    // A backup that cannot be written whole: the old backup and the INI file stay as they were.
    std::string big = "[a]\n";
    while (big.size() < 3 * kSmallLimit) {
        big += "key" + std::to_string(big.size()) + "=some value\n";
    }
    WriteFile(dir / "A.INI", big);
    ChildLimits limits;
    limits.fileSizeBytes = 2 * kSmallLimit;
    r = RunLimited({"/b", "A.INI", "x.cmd"}, dir.path(), limits);
    EXPECT_NE(r.err.find("Copy INI to BAK returns NOT OK"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "A.INI"), big);
    EXPECT_EQ(ReadFile(dir / "A.bak"), "[a]\nk=1\n");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"A.INI", "A.bak", "victim", "x.cmd"}));
}

TEST(SafetyPosix, AWriteFailureInTheRewriteNamesItsReason) {
    ScratchDir dir;
    // Larger than the write buffer, so that the limit is met while the lines are written.
    std::string big = "[a]\n";
    while (big.size() < 200 * 1024) {
        big += "key" + std::to_string(big.size()) + "=some value\n";
    }
    WriteFile(dir / "A.INI", big);
    WriteFile(dir / "x.cmd", "+[a]new=1\n");
    ChildLimits limits;
    limits.fileSizeBytes = 100 * 1024;
    RunResult r = RunLimited({"/x", "A.INI", "x.cmd"}, dir.path(), limits);
    EXPECT_EQ(r.status, 2);
    const size_t failed = r.err.find("Write error on outputfile");
    ASSERT_NE(failed, std::string::npos) << r.err;
    EXPECT_NE(r.err.find(Label("Problem: ") + std::strerror(EFBIG), failed), std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFile(dir / "A.INI"), big);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"A.INI", "x.cmd"}));
}

TEST(SafetyPosix, ReadErrorsAndDirectoriesChangeNothing) {
    ScratchDir dir;
    WriteFile(dir / "A.INI", "[a]\nk=1\n");
    fs::create_directories(dir / "cmds");
    RunResult r = RunLimited({"A.INI", "cmds"}, dir.path(), {});
    EXPECT_NE(r.err.find("CMDFile not opened correctly :./cmds\nProblem:"), std::string::npos)
        << r.err;
    r = RunLimited({"/c", "cmds"}, dir.path(), {});
    EXPECT_NE(r.err.find("ICMFile open returns BAD for :./cmds\nProblem:"), std::string::npos)
        << r.err;
    // /proc/self/mem cannot be read from its start: a read error, not an empty file.
    if (fs::exists("/proc/self/mem")) {
        r = RunLimited({"A.INI", "/proc/self/mem"}, dir.path(), {});
        EXPECT_NE(r.err.find("CMD-File read error, nothing changed : /proc/self/mem"),
                  std::string::npos)
            << r.err;
        r = RunLimited({"/c", "/proc/self/mem"}, dir.path(), {});
        EXPECT_NE(r.err.find("ICMFile read error, nothing run : /proc/self/mem"), std::string::npos)
            << r.err;
    }
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\nk=1\n");
}

TEST(SafetyPosix, SignalsAndOutOfMemoryLeaveNoNewFiles) {
    ScratchDir dir;
    WriteFile(dir / "g.gri", "[Group Info]\nPRGName=G\n[Tool]\nCommand=TOOL.EXE\n");
    RunLimited({"/!", "/c", "g.grp", "g.gri"}, dir.path(), {});
    std::string group = ReadFile(dir / "g.grp");
    ASSERT_FALSE(group.empty());
    // The GRI text of the GRP run exists while its CMD file runs a program; the run is ended
    // by SIGTERM (sent by that program to its parent) meanwhile.
    WriteFile(dir / "kill.cmd", "E kill -TERM $PPID; sleep 5\n+[Tool]Minimized=1\n");
    RunResult r = RunLimited({"/!", "/g", "g.grp", "kill.cmd"}, dir.path(), {});
    EXPECT_EQ(r.status, 128 + SIGTERM);
    EXPECT_EQ(ReadFile(dir / "g.grp"), group);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"g.gri", "g.grp", "kill.cmd"}));
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer cannot start under an address-space limit";
#endif
    // A CMD file that never ends a line (a pipe a program fills with zero bytes) runs out of
    // memory.
    ASSERT_EQ(::mkfifo((dir / "zeros").c_str(), 0600), 0);
    ASSERT_EQ(std::system(("timeout 60 sh -c 'cat /dev/zero >" + (dir / "zeros").string() +
                           "' 2>/dev/null &")
                              .c_str()),
              0);
    ChildLimits limits;
    limits.memoryBytes = 256L * 1024 * 1024;
    limits.alarmSeconds = 60;
    r = RunLimited({"/!", "/g", "g.grp", "zeros"}, dir.path(), limits);
    EXPECT_NE(r.err.find("Fatal error: "), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "g.grp"), group);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"g.gri", "g.grp", "kill.cmd", "zeros"}));
}

// A reader of the messages that goes away (`rivel ... | head`) does not end an edit half way:
// the edit is made, and nothing of the run is left beside the file.
TEST(SafetyPosix, AClosedMessagePipeDoesNotEndTheEdit) {
    ScratchDir dir;
    std::string ini = "[s]\n";
    for (int i = 0; i < 20000; ++i) {
        ini += "key" + std::to_string(i) + "=value\n";
    }
    WriteFile(dir / "w.ini", ini);
    WriteFile(dir / "add.cmd", "+[s]added=1\n");
    // The program's status, not that of the pipe's reader.
    std::string script = "'";
    script.append(RivelPath().string());
    script.append("' /x /v99 w.ini add.cmd 2>&1 | head -c 1 >/dev/null\nexit ${PIPESTATUS[0]}\n");
    WriteFile(dir / "run.sh", script);
    const int raw = std::system(("cd '" + dir.path().string() + "' && bash run.sh").c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << raw;
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    EXPECT_TRUE(ReadFile(dir / "w.ini") == ini + "added=1\n");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"add.cmd", "run.sh", "w.ini"}));
}

}  // namespace
}  // namespace rivel_test
