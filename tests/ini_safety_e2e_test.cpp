// The INI file is never damaged: failed writes, read-only files, permission bits, line ends and
// concurrent runs on one file.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

TEST(IniSafety, FailedWriteLeavesTheIniFileWhole) {
    if (Sep() == '\\') {
        GTEST_SKIP() << "file size limits (ulimit -f) exist on POSIX only";
    }
    ScratchDir dir;
    const std::string ini = SectionsIni(200);
    WriteFile(dir / "BIG.INI", ini);
    WriteFile(dir / "x.cmd", "+[s0]key0=changed\n");
    fs::create_directories(dir / "tmp");
    // 40 blocks are far less than the file: every write past them fails (SIGXFSZ ignored).
    const std::string script = "ulimit -f 40; trap '' XFSZ; TEMP=\"" + (dir / "tmp").string() +
                               "\" exec \"" + RivelPath().string() + "\" /b BIG.INI x.cmd";
    RunResult r = RunProgram("/bin/sh", {"-c", script}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadFile(dir / "BIG.INI") == ini);
    EXPECT_NE(Lf(r.err).find("ScanINI returns bad status"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
    for (const auto& e : fs::directory_iterator(dir.path())) {
        std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "BIG.INI" || name == "x.cmd" || name == "tmp") << name;
    }
}

TEST(IniSafety, ReadOnlyIniFileIsNotReplaced) {
    ScratchDir dir;
    WriteFile(dir / "RO.INI", "[a]\nk=1\n");
    WriteFile(dir / "x.cmd", "+[a]k=2\n");
    fs::permissions(dir / "RO.INI", fs::perms::owner_read | fs::perms::group_read);
    RunResult r = RunRivel({"RO.INI", "x.cmd"}, dir.path());
    fs::permissions(dir / "RO.INI", fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(ReadFile(dir / "RO.INI"), "[a]\nk=1\n");
    EXPECT_NE(Lf(r.err).find("Copy TMP to INI returns NOT OK\n"), std::string::npos) << r.err;
}

TEST(IniSafety, ReadOnlyDirectoryKeepsTheIniFile) {
    ScratchDir dir;
    fs::create_directories(dir / "ro");
    WriteFile(dir / "ro" / "A.INI", "[a]\nk=1\n");
    WriteFile(dir / "x.cmd", "+[a]k=2\n");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    // Where the directory's bits do not stop this process (a privileged run, or Windows, where
    // a directory has no write bit), there is nothing to test.
    WriteFile(dir / "ro" / "probe", "");
    bool writable = fs::exists(dir / "ro" / "probe");
    RunResult r;
    if (!writable) {
        r = RunRivel({(fs::path("ro") / "A.INI").string(), "x.cmd"}, dir.path());
    }
    std::error_code ignored;
    fs::remove(dir / "ro" / "probe", ignored);
    fs::permissions(dir / "ro", fs::perms::owner_all);
    if (writable) {
        GTEST_SKIP() << "this process may write into a read-only directory";
    }
    EXPECT_EQ(ReadFile(dir / "ro" / "A.INI"), "[a]\nk=1\n");
    EXPECT_NE(Lf(r.err).find("Copy TMP to INI returns NOT OK\n"), std::string::npos) << r.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "ro"), fs::directory_iterator()), 1);
}

// A reader that has the INI file open while the run puts the new version in place (on Windows
// such a reader refuses the rename for as long as it reads) only delays the edit.
TEST(IniSafety, AReaderHoldingTheFileForAMomentDoesNotStopTheEdit) {
    ScratchDir dir;
    WriteFile(dir / "A.INI", "[a]\nk=1\n");
    WriteFile(dir / "x.cmd", "+[a]k=2\n");
    // Not handed down to the program (on Windows an inherited handle would be the program's
    // own, held for its whole run).
#ifdef _WIN32
    std::FILE* reader = std::fopen((dir / "A.INI").string().c_str(), "rbN");
#else
    std::FILE* reader = std::fopen((dir / "A.INI").string().c_str(), "rbe");
#endif
    ASSERT_NE(reader, nullptr);
    std::thread closer([reader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        std::fclose(reader);
    });
    RunResult r = RunRivel({"/x", "A.INI", "x.cmd"}, dir.path());
    closer.join();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lf(ReadFile(dir / "A.INI")), "[a]\nk=2\n");
}

TEST(IniSafety, PermissionBitsAndLineEndsAreKept) {
    ScratchDir dir;
    WriteFile(dir / "CR.INI", "[a]\r\nk=1\r\n[b]\r\nx=1");
    WriteFile(dir / "LF.INI", "[a]\nk=1\n");
    WriteFile(dir / "x.cmd", "+[a]k=2\r\n+[c]n=1\r\n");
    if (Sep() != '\\') {
        fs::permissions(dir / "CR.INI",
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
    RunRivel({"/b", "CR.INI", "x.cmd"}, dir.path());
    RunRivel({"LF.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "CR.INI"), "[a]\r\nk=2\r\n\r\n[b]\r\nx=1\r\n\r\n[c]\r\nn=1\r\n");
    EXPECT_EQ(ReadFile(dir / "LF.INI"), "[a]\nk=2\n\n[c]\nn=1\n");
    if (Sep() != '\\') {
        EXPECT_EQ(fs::status(dir / "CR.INI").permissions(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        // The backup is no more readable than the file.
        EXPECT_EQ(fs::status(dir / "CR.bak").permissions(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
}

TEST(IniSafety, ConcurrentRunsKeepEveryEdit) {
    ScratchDir dir;
    const fs::path ini = dir / "SHARED.INI";
    WriteFile(ini, "[keys]\nbase=1\n");
    constexpr int kRuns = 20;
    for (int i = 0; i < kRuns; ++i) {
        fs::create_directories(dir / ("run" + std::to_string(i)));
        WriteFile(dir / ("run" + std::to_string(i)) / "x.cmd",
                  "+[keys]key" + std::to_string(i) + "=" + std::to_string(i) + "\n");
    }
    std::vector<std::thread> threads;
    for (int i = 0; i < kRuns; ++i) {
        threads.emplace_back([&, i] {
            RunRivel({ini.string(), "x.cmd"}, dir / ("run" + std::to_string(i)));
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    std::string result = Lf(ReadFile(ini));
    EXPECT_EQ(result.rfind("[keys]\nbase=1\n", 0), 0u) << result;
    for (int i = 0; i < kRuns; ++i) {
        EXPECT_NE(result.find("\nkey" + std::to_string(i) + "=" + std::to_string(i) + "\n"),
                  std::string::npos)
            << "key" << i << " lost:\n"
            << result;
    }
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        left.push_back(e.path().filename().string());
    }
    EXPECT_EQ(left.size(), kRuns + 1u) << "litter beside the INI file";
}

}  // namespace
}  // namespace rivel_test
