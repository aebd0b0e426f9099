// The INI run seen from outside: the bundled example, output and execute lines, backups, base
// files and the files a run leaves behind.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

fs::path Examples() {
    return ExamplesDir().empty() ? fs::current_path().parent_path() / "examples" : ExamplesDir();
}

// The names in a directory, apart from the runner's own files.
std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(IniRun, BundledExampleGivesThePredictedFile) {
    ScratchDir dir;
    fs::create_directories(dir / "tmp");
    ScopedEnv temp("TEMP", (dir / "tmp").string());
    fs::copy_file(Examples() / "WIN.INI", dir / "WIN.INI");
    fs::copy_file(Examples() / "SETUP.CMD", dir / "SETUP.CMD");
    RunResult r = RunRivel({"WIN.INI", "SETUP.CMD"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(ReadFile(dir / "WIN.INI")),
              "[windows]\nload=a.exe nwpopup.exe\nrun=\nBeep=no\n\n"
              "[Desktop]\nPattern=(None)\nWallpaper=corp.bmp\n\n"
              "[fonts]\nArial (TT)=ARIAL.FOT\nOld Font=OLD.FOT\n\n"
              "[386enh]\ndevice=*vpicd\ndevice=*vtd\ndevice=vnetware.386\n\n"
              "[Recent]\nFile1=c:\\doc\\a.txt\n");
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"SETUP.CMD", "WIN.INI", "tmp"}));
}

TEST(IniRun, BundledNetCfgExample) {
    ScratchDir dir;
    fs::copy_file(Examples() / "NET.CFG", dir / "NET.CFG");
    fs::copy_file(Examples() / "NETCFG.CMD", dir / "NETCFG.CMD");
    RunRivel({"/w1", "NET.CFG", "NETCFG.CMD"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "NET.CFG")),
              "\nLink Support\n        Buffers 8 1500\n;        MemPool 4096\n\n"
              "Link Driver NE2000\n        INT 5\n        PORT 300\n"
              "        FRAME Ethernet_802.3\n        FRAME Ethernet_802.2\n\n"
              "NetWare DOS Requester\n        FIRST NETWORK DRIVE = F\n"
              "        PREFERRED SERVER = FS1\n");
}

TEST(IniRun, NoChangeLeavesTheFileAloneAndNoBackup) {
    ScratchDir dir;
    fs::create_directories(dir / "tmp");
    ScopedEnv temp("TEMP", (dir / "tmp").string());
    const std::string ini = "[a]\n\nk=1\n";
    WriteFile(dir / "A.INI", ini);
    WriteFile(dir / "x.cmd", "+[a]k=1\n-[a]nothing\n");
    auto before = fs::last_write_time(dir / "A.INI");
    RunResult r = RunRivel({"/v9", "/b", "A.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "A.INI"), ini);
    EXPECT_EQ(fs::last_write_time(dir / "A.INI"), before);
    EXPECT_FALSE(fs::exists(dir / "A.bak"));
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
    EXPECT_NE(Lf(r.err).find("INI file no changes            no backup made\n"), std::string::npos);
}

TEST(IniRun, BackupReplacesAnOldOne) {
    ScratchDir dir;
    WriteFile(dir / "WIN.INI", "[a]\r\nk=1");
    WriteFile(dir / "WIN.bak", "old backup\n");
    WriteFile(dir / "x.cmd", "+[a]k=2\n");
    RunRivel({"/b", "WIN.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "WIN.bak"), "[a]\r\nk=1\r\n");
    EXPECT_EQ(ReadFile(dir / "WIN.INI"), "[a]\r\nk=2\r\n");
}

TEST(IniRun, AFileNamedAsItsOwnBackupIsNotRisked) {
    ScratchDir dir;
    WriteFile(dir / "OLD.bak", "[a]\nk=1\n");
    WriteFile(dir / "x.cmd", "+[a]k=2\n");
    // The backup of OLD.bak would be OLD.bak itself: no copy of the old text could be kept.
    RunResult r = RunRivel({"/!", "/x", "/b", "OLD.bak", "x.cmd"}, dir.path());
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("No Backup made"), std::string::npos) << r.err;
    EXPECT_EQ(Lf(ReadFile(dir / "OLD.bak")), "[a]\nk=1\n");
    // Without /b it is edited like any other file.
    r = RunRivel({"/!", "/x", "OLD.bak", "x.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lf(ReadFile(dir / "OLD.bak")), "[a]\nk=2\n");
}

TEST(IniRun, MissingFilesAndBaseFile) {
    ScratchDir dir;
    WriteFile(dir / "x.cmd", "+[a]k=2\n");
    WriteFile(dir / "base.ini", "[a]\nk=1\nz=0\n");
    RunResult missing = RunRivel({"NEW.INI", "x.cmd"}, dir.path());
    EXPECT_FALSE(fs::exists(dir / "NEW.INI"));
    EXPECT_NE(Lf(missing.err).find("INI File not found, CreateFile not specified Aborting..\n"),
              std::string::npos);
    EXPECT_NE(Lf(missing.err).find("ScanINI returns bad status"), std::string::npos);
    RunRivel({"/n=base.ini", "/b", "NEW.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "NEW.INI")), "[a]\nk=2\nz=0\n");
    EXPECT_FALSE(fs::exists(dir / "NEW.bak"));
    EXPECT_EQ(ReadFile(dir / "base.ini"), "[a]\nk=1\nz=0\n");
    // An existing INI file is edited; the base file is ignored.
    WriteFile(dir / "NEW.INI", "[a]\nk=7\n");
    RunRivel({"/n=base.ini", "NEW.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "NEW.INI"), "[a]\nk=2\n");
    // /n without a base file starts from an empty file; with /b too, there being no old
    // contents to keep.
    RunRivel({"/n", "EMPTY.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "EMPTY.INI")), "[a]\nk=2\n");
    RunResult backed = RunRivel({"/x", "/n", "/b", "FRESH.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(backed.status, 0) << backed.err;
    EXPECT_EQ(Lf(ReadFile(dir / "FRESH.INI")), "[a]\nk=2\n");
    EXPECT_FALSE(fs::exists(dir / "FRESH.bak"));

    RunResult nocmd = RunRivel({"NEW.INI", "none.cmd"}, dir.path());
    EXPECT_NE(Lf(nocmd.err).find("CMDFile not opened correctly :"), std::string::npos);
    EXPECT_NE(Lf(nocmd.err).find("CMD-Scan  :                   No commands found to excecute\n"),
              std::string::npos);
}

TEST(IniRun, OutputFileLines) {
    ScratchDir dir;
    WriteFile(dir / "A.INI", "[a]\n");
    WriteFile(dir / "x.cmd", "W before open\nO out.txt\nwlf hello\nWNLF abc\nW def\n");
    RunResult r = RunRivel({"A.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "out.txt")), "HELLO\nABCDEF\n");
    EXPECT_NE(Lf(r.err).find("CMD-File  :                   Output file is not open\n"),
              std::string::npos);
    EXPECT_NE(Lf(r.err).find("No commands found to excecute"), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\n");
}

TEST(IniRun, ExecuteLinesRunBeforeAndAfterTheEdit) {
    ScratchDir dir;
    const bool windows = Sep() == '\\';
    const std::string copy = windows ? "copy A.INI " : "cp A.INI ";
    WriteFile(dir / "A.INI", "[a]\nk=1\n");
    WriteFile(dir / "x.cmd", "EA " + copy + "after.txt\n+[a]k=2\nE " + copy + "before.txt\n");
    RunResult r = RunRivel({"A.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "before.txt")), "[a]\nk=1\n") << r.status << r.out << r.err;
    EXPECT_EQ(Lf(ReadFile(dir / "after.txt")), "[a]\nk=2\n") << r.status << r.out << r.err;
    EXPECT_NE(Lf(r.err).find("Execute after processing stored :  A "), std::string::npos) << r.err;
}

TEST(IniRun, CommentsAndLastLineWithoutLineEnd) {
    ScratchDir dir;
    WriteFile(dir / "A.INI", "[a]\nk=1\n");
    WriteFile(dir / "x.cmd", "  ; comment\n\n   \n+[a]k=3");
    RunRivel({"A.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\nk=3\n");
}

// A section met again and again, full of comment lines, with a command for each of its keys:
// each header and comment line costs the same however many commands the section has, so a large
// file takes seconds, not the minutes that looking at every command on every line would take.
TEST(IniRun, ManyCommandsOnASectionMetOftenAndFullOfComments) {
    const int n = 40000;
    std::string ini, cmd;
    for (int i = 0; i < n; ++i) {
        const std::string number = std::to_string(i);
        ini += "[s]\nk" + number + "=v\n;note " + number + "\n;[t]\nx" + number + "=1\n";
        cmd += "+[s]k" + number + "=w\n-[t]x" + number + "\n";
    }
    ScratchDir dir;
    WriteFile(dir / "A.INI", ini);
    WriteFile(dir / "x.cmd", cmd);
    const auto start = std::chrono::steady_clock::now();
    RunResult r = RunRivel({"A.INI", "x.cmd"}, dir.path());
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(seconds.count(), 10.0);
    // Every k<i> line of every [s] is set, k1 and on added to the first [s] too; the [t] keys
    // are gone; the comment lines stay.
    std::istringstream lines(Lf(ReadFile(dir / "A.INI")));
    int set = 0, deleted = 0, notes = 0, headers = 0;
    for (std::string line; std::getline(lines, line);) {
        set += line[0] == 'k' && line.ends_with("=w");
        deleted += line[0] == 'x';
        notes += line.starts_with(";note ");
        headers += line == ";[t]";
    }
    EXPECT_EQ(set, 2 * n - 1);
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(notes, n);
    EXPECT_EQ(headers, n);
}

// The trace of a line shows it as each step leaves it: substitution keeps the leading blanks,
// the user-variable step removes them, whether or not the line had anything to substitute.
TEST(IniRun, TraceShowsTheLineAfterEachStep) {
    ScratchDir dir;
    WriteFile(dir / "A.INI", "[a]\nk=1\n");
    WriteFile(dir / "x.cmd", "   +[a]k=3\n  +[a]j=%%\n");
    for (const std::string verbosity : {"/v9", "/v99"}) {
        RunResult r = RunRivel({verbosity, "A.INI", "x.cmd"}, dir.path());
        const std::string err = Lf(r.err);
        for (const std::string line :
             {"After SubstEnv  :                +[a]k=3", "After SubstEnv  :               +[a]j=%",
              "CMD after ProcessVarline :    +[a]k=3", "CMD after ProcessVarline :    +[a]j=%"}) {
            EXPECT_NE(err.find("\n" + line + "\n"), std::string::npos) << verbosity << err;
        }
        EXPECT_EQ(err.find("CMD after ProcessVarline :     "), std::string::npos) << verbosity;
    }
}

TEST(IniRun, SetEnvCommandIsSeenByLaterLines) {
    ScratchDir dir;
    WriteFile(dir / "A.INI", "[boot]\nshell=progman.exe\n");
    const std::string echo = Sep() == '\\' ? "E echo %RIVEL_E2E_SHELL%> env.txt\n"
                                           : "E echo $RIVEL_E2E_SHELL > env.txt\n";
    WriteFile(dir / "x.cmd", "S[boot]shell=RIVEL_E2E_SHELL\ns[boot]shell=RIVEL_E2E_LOWER\n" + echo);
    RunRivel({"A.INI", "x.cmd"}, dir.path());
    // Execute lines are upper-cased where commands ignore case.
    EXPECT_EQ(Lf(ReadFile(dir / "env.txt")), Sep() == '\\' ? "PROGMAN.EXE\n" : "progman.exe\n");
}

TEST(IniRun, ExitStatusTellsOfALineThatIsNoCommand) {
    ScratchDir dir;
    // A key without its command character, the help's lower-case s, and the same mistake
    // after a one-line IF: each is dropped, and /x says the CMD file had an error.
    for (const std::string bad :
         {"[windows]Beep=no", "s[windows]Beep=BEEPVAR", "IFEXISTFILE A.INI [windows]Beep=no"}) {
        WriteFile(dir / "A.INI", "[windows]\nBeep=yes\n");
        WriteFile(dir / "x.cmd", "+[windows]Run=x\n" + bad + "\n");
        RunResult r = RunRivel({"/!", "/x", "/v1", "A.INI", "x.cmd"}, dir.path());
        EXPECT_EQ(r.status, 1) << bad << r.err;
        EXPECT_EQ(Lf(ReadFile(dir / "A.INI")), "[windows]\nBeep=yes\nRun=x\n") << bad;
        r = RunRivel({"/!", "/v1", "A.INI", "x.cmd"}, dir.path());
        EXPECT_EQ(r.status, 0) << bad;
    }
    // Comments, empty lines and lines of blanks are no errors.
    WriteFile(dir / "A.INI", "[windows]\nBeep=yes\n");
    WriteFile(dir / "x.cmd", "; settings\n\n  \t\n+[windows]Beep=no\n");
    RunResult r = RunRivel({"/!", "/x", "/v1", "A.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lf(ReadFile(dir / "A.INI")), "[windows]\nBeep=no\n");
}

TEST(IniRun, BadInputNeverCrashes) {
    ScratchDir dir;
    std::string big(1 << 20, 'k');
    std::string nul("\0\0[\0]=\0", 7);
    WriteFile(dir / "A.INI", "[a]\n" + big + "=v\n" + nul + "\n[unbalanced\n]]]\n=\n[a]x");
    WriteFile(dir / "x.cmd", "+[a]k=1\n" + nul + "\n+[" + big + "\n[[[\n=]]]\n>\n<[a\n-[a]" + big +
                                 "x" + "\nr[]" + std::string(3, '\0') + "=x\n+[a]last=1");
    RunResult r = RunRivel({"A.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0);
    std::string out = Lf(ReadFile(dir / "A.INI"));
    const std::string expected =
        "[a]\n" + big + "=v\n" + nul + "\nk=1\nlast=1\n\n[unbalanced\n]]]\n=\n\n[a]x\n";
    EXPECT_TRUE(out == expected) << "sizes " << out.size() << " and " << expected.size();
}

}  // namespace
}  // namespace rivel_test

namespace rivel_test {
namespace {

TEST(IniRunSubstitution, EnvironmentValuesInCommandLines) {
    ScratchDir dir;
    ScopedEnv value("RIVEL_E2E_VALUE", "from env");
    ScopedEnv gone("RIVEL_E2E_UNDEFINED", "", true);
    WriteFile(dir / "A.INI", "[boot]\nshell=progman.exe\n");
    // A line that substitutes to nothing is a comment; S sets a variable later lines see.
    WriteFile(dir / "x.cmd",
              "+[boot]v=%RIVEL_E2E_VALUE%\n%RIVEL_E2E_UNDEFINED%\n"
              "S[boot]shell=RIVEL_E2E_SHELL2\n+[boot]copy=%RIVEL_E2E_SHELL2%\n");
    RunResult r = RunRivel({"A.INI", "x.cmd"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "A.INI")),
              "[boot]\nshell=progman.exe\nv=from env\ncopy=progman.exe\n")
        << r.err;
}

}  // namespace
}  // namespace rivel_test

namespace rivel_test {
namespace {

TEST(IniRunTempFile, WithoutTempVariablesTheCurrentDirectoryIsUsed) {
    ScratchDir dir;
    NoTempVariables noTemp;
    WriteFile(dir / "A.INI", "[a]\nk=1\n");
    WriteFile(dir / "x.cmd", "+[a]k=2\n");
    RunResult r = RunRivel({"/v3", "A.INI", "x.cmd"}, dir.path());
    EXPECT_NE(Lf(r.err).find("TEMP or TMP environment not found\n"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "A.INI"), "[a]\nk=2\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace rivel_test
