// Many runs at once on a few files through different names, and runs killed at random moments:
// every edit is kept and no file is ever partial or missing.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "rivel_runner.h"
#include "safety_support.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

pid_t Start(const std::vector<std::string>& args, const fs::path& workDir) {
    return StartLimited(args, workDir, {}, "/dev/null", "/dev/null");
}

int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST(SafetySoak, TwoHundredRunsThroughManyNamesKeepEveryEdit) {
    ScratchDir dir;
    fs::create_directories(dir / "etc");
    fs::create_directories(dir / "work");
    WriteFile(dir / "etc" / "A.INI", "[keys]\nbase=1\n");
    WriteFile(dir / "etc" / "g.gri", "[Group Info]\nPRGName=G\n[Tool]\nCommand=T.EXE\n");
    ASSERT_EQ(RunLimited({"/!", "/c", "etc/g.grp", "etc/g.gri"}, dir.path(), {}).status, 0);
    fs::create_symlink("../etc/A.INI", dir / "work" / "LINK.INI");
    fs::create_symlink("../etc/g.grp", dir / "work" / "link.grp");
    const std::vector<std::string> iniNames = {"../etc/A.INI", "LINK.INI",
                                               (dir / "etc" / "A.INI").string()};
    const std::vector<std::string> grpNames = {"../etc/g.grp", "link.grp",
                                               (dir / "etc" / "g.grp").string()};
    constexpr int kRuns = 200, kBatch = 25;
    for (int i = 0; i < kRuns; ++i) {
        const std::string n = std::to_string(i);
        std::string cmd;
        if (i % 4 == 3) {
            cmd.append("+[Item").append(n).append("]Command=P.EXE\n");
        } else {
            cmd.append("+[keys]k").append(n).append("=").append(n).append("\n-[keys]nothing\n");
        }
        WriteFile(dir / "work" / ("c" + n + ".cmd"), cmd);
    }
    for (int start = 0; start < kRuns; start += kBatch) {
        std::vector<pid_t> pids;
        for (int i = start; i < start + kBatch; ++i) {
            std::string cmd = "c";
            cmd.append(std::to_string(i)).append(".cmd");
            pids.push_back(i % 4 == 3 ? Start({"/!", "/g", grpNames[i % 3], cmd}, dir / "work")
                                      : Start({"/!", iniNames[i % 3], cmd}, dir / "work"));
        }
        for (pid_t pid : pids) {
            EXPECT_EQ(Wait(pid), 0);
        }
    }
    std::string ini = Lf(ReadFile(dir / "etc" / "A.INI"));
    EXPECT_EQ(ini.rfind("[keys]\nbase=1\n", 0), 0u);
    RunLimited({"/!", "/d", "etc/g.grp", "etc/out.gri"}, dir.path(), {});
    std::string gri = Lf(ReadFile(dir / "etc" / "out.gri"));
    for (int i = 0; i < kRuns; ++i) {
        if (i % 4 == 3) {
            EXPECT_NE(gri.find("\n[Item" + std::to_string(i) + "]\n"), std::string::npos) << i;
        } else {
            EXPECT_NE(ini.find("\nk" + std::to_string(i) + "=" + std::to_string(i) + "\n"),
                      std::string::npos)
                << i;
        }
    }
    EXPECT_TRUE(fs::is_symlink(dir / "work" / "LINK.INI"));
    EXPECT_EQ(Names(dir / "etc"), (std::vector<std::string>{"A.INI", "g.gri", "g.grp", "out.gri"}));
}

TEST(SafetySoak, KilledRunsNeverLeaveAPartialFile) {
    ScratchDir dir;
    std::string old = "[s]\n";
    for (int i = 0; i < 60000; ++i) {
        old += "key" + std::to_string(i) + "=value " + std::to_string(i) + "\n";
    }
    WriteFile(dir / "A.INI", old);
    WriteFile(dir / "x.cmd", "r[]value=VALUE\n");
    std::string text = "[Group Info]\nPRGName=G\n";
    for (int i = 0; i < 300; ++i) {
        text += "[Item " + std::to_string(i) + "]\nCommand=PROGRAM" + std::to_string(i) + ".EXE\n";
    }
    WriteFile(dir / "g.gri", text);
    ASSERT_EQ(RunLimited({"/!", "/c", "g.grp", "g.gri"}, dir.path(), {}).status, 0);
    const std::string group = ReadFile(dir / "g.grp");
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        pid_t ini = Start({"/!", "A.INI", "x.cmd"}, dir.path());
        pid_t grp = Start({"/!", "/b", "/c", "g.grp", "g.gri"}, dir.path());
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 60000));
        ::kill(ini, SIGKILL);
        ::kill(grp, SIGKILL);
        Wait(ini);
        Wait(grp);
        std::string now = ReadFile(dir / "A.INI");
        EXPECT_TRUE(now == old || now.find("VALUE 59999\n") != std::string::npos)
            << "round " << round << ": " << now.size() << " bytes";
        EXPECT_EQ(ReadFile(dir / "g.grp"), group) << "round " << round;
        WriteFile(dir / "A.INI", old);
    }
}

}  // namespace
}  // namespace rivel_test
