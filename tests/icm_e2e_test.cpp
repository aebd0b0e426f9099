// ICM files run end to end: invocations per line, IF blocks, E lines and shared variables.
#include <gtest/gtest.h>

#include <filesystem>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

namespace fs = std::filesystem;

void CopyExample(const std::string& folder, const ScratchDir& dir) {
    for (const auto& entry : fs::directory_iterator(ExamplesDir() / folder)) {
        fs::copy_file(entry.path(), dir / entry.path().filename().string());
    }
}

TEST(IcmFile, BundledExampleEditsSeveralFiles) {
    ScratchDir dir;
    CopyExample("site", dir);
    ScopedEnv temp("TEMP", dir.path().string());
    RunResult r = RunRivel({"/c", "SITE.ICM"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(ReadFile(dir / "WIN.INI")),
              "[windows]\nload=nwpopup.exe\nrun=\n\n[Network]\nSite=north\nEdit=1\n");
    EXPECT_EQ(Lf(ReadFile(dir / "SYSTEM.INI")),
              "[boot]\nshell=progman.exe\n\n[386Enh]\ndevice=*vpicd\n\n[Network]\nSite=north\n"
              "Edit=2\n");
    EXPECT_EQ(Lf(ReadFile(dir / "SYSTEM.bak")),
              "[boot]\nshell=progman.exe\n\n[386Enh]\ndevice=*vpicd\n");
    EXPECT_NE(Lf(r.out).find("SITE.ICM: 2 files edited for site north"), std::string::npos);
    // The assignment line is no invocation: nothing complains about it, and the counter
    // starts from a value of its own.
    EXPECT_EQ(r.err.find("Wrong number of parameters"), std::string::npos);
    EXPECT_EQ(r.err.find("Variable not found"), std::string::npos) << r.err;
}

TEST(IcmFile, ErrorCodeOfAnExecuteLineReachesLaterLines) {
    ScratchDir dir;
    ScopedEnv temp("TEMP", dir.path().string());
    WriteFile(dir / "a.ini", "[s]\nx=1\n");
    WriteFile(dir / "set.cmd", "+[s]code=$(CODE)\n+[s]seen=$(SEEN)\n");
    WriteFile(dir / "mark.cmd", "$(SEEN) := yes\n");
    WriteFile(dir / "run.icm",
              "E exit 3\n$(CODE) := $(_ERRORCODE)\nb.ini mark.cmd\na.ini set.cmd\n");
    WriteFile(dir / "b.ini", "[t]\n");
    RunRivel({"/c", "run.icm"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), "[s]\nx=1\ncode=3\nseen=yes\n");
}

#ifdef _WIN32
// Many programs end with exit(-1) on failure. Such a program did run: its status is the error
// code that later lines test, and no "Execute failed" is reported for it.
TEST(IcmFile, AProgramEndingWithMinusOneRan) {
    ScratchDir dir;
    ScopedEnv temp("TEMP", dir.path().string());
    WriteFile(dir / "a.ini", "[s]\n");
    WriteFile(dir / "code.cmd", "E exit -1\n+[s]cmd=$(_ERRORCODE)\n");
    WriteFile(dir / "run.icm",
              "E exit -1\n$(CODE) := $(_ERRORCODE)\na.ini code.cmd\nIF $(CODE) == -1\n"
              "E echo yes > minus.txt\nENDIF\n");
    RunResult r = RunRivel({"/x", "/c", "run.icm"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), "[s]\ncmd=-1\n");
    EXPECT_TRUE(fs::exists(dir / "minus.txt"));
    EXPECT_EQ(r.err.find("Execute failed"), std::string::npos) << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
}
#endif

// A NUL byte would cut a program's command line or a file's name short, so that something else
// than the line says would run or be tested: such a line runs nothing, and such a name names
// no file.
TEST(IcmFile, NulBytesDoNotCutCommandsOrNamesShort) {
    ScratchDir dir;
    ScopedEnv temp("TEMP", dir.path().string());
    WriteFile(dir / "a.ini", "[s]\n");
    WriteFile(dir / "zero.cmd",
              std::string("E echo ran > cmd.txt\0 more\n", 27) + "+[s]code=$(_ERRORCODE)\n");
    WriteFile(dir / "run.icm",
              std::string("IF EXIST FILE a.ini\0zzz\n", 24) + "E echo yes > exist.txt\nENDIF\n" +
                  std::string("E echo ran > cut.txt\0 more\n", 27) + "a.ini zero.cmd\n");
    RunResult r = RunRivel({"/x", "/c", "run.icm"}, dir.path());
    EXPECT_FALSE(fs::exists(dir / "exist.txt"));
    EXPECT_FALSE(fs::exists(dir / "cut.txt"));
    EXPECT_FALSE(fs::exists(dir / "cmd.txt"));
    // The line of the CMD file that was not started left the system's error number (EINVAL).
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), "[s]\ncode=22\n");
    EXPECT_NE(r.err.find("Execute failed"), std::string::npos) << r.err;
    EXPECT_EQ(r.status, 1);
}

TEST(IcmFile, BlocksNestedInAFalseBlockNeverRun) {
    ScratchDir dir;
    ScopedEnv temp("TEMP", dir.path().string());
    WriteFile(dir / "a.ini", "[s]\n");
    for (const char* name : {"one", "two", "three", "four"}) {
        WriteFile(dir / (std::string(name) + ".cmd"), std::string("+[s]") + name + "=1\n");
    }
    WriteFile(dir / "run.icm",
              "IF EXIST FILE nothere\n"
              "  IF EXIST FILE a.ini\n"
              "  a.ini one.cmd\n"
              "  ELSE\n"
              "  a.ini two.cmd\n"
              "  endif\n"
              "else\n"
              "a.ini three.cmd\n"
              "ENDIF\n"
              "ENDIF\n"
              "a.ini four.cmd\n");
    RunResult r = RunRivel({"/c", "run.icm", "/v3"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), "[s]\nthree=1\nfour=1\n");
    EXPECT_NE(r.err.find("Too much ENDIF's found"), std::string::npos);
}

TEST(IcmFile, ElseWithoutIfSkipsTheRestUntilTheNextElse) {
    ScratchDir dir;
    ScopedEnv temp("TEMP", dir.path().string());
    WriteFile(dir / "a.ini", "[s]\n");
    WriteFile(dir / "one.cmd", "+[s]one=1\n");
    WriteFile(dir / "two.cmd", "+[s]two=1\n");
    WriteFile(dir / "run.icm", "ELSE\na.ini one.cmd\nELSE\na.ini two.cmd\n");
    RunRivel({"/c", "run.icm"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), "[s]\ntwo=1\n");
}

TEST(IcmFile, InnerFileLeavesTheOuterBlockStateAlone) {
    ScratchDir dir;
    ScopedEnv temp("TEMP", dir.path().string());
    WriteFile(dir / "a.ini", "[s]\n");
    WriteFile(dir / "one.cmd", "+[s]one=1\n");
    WriteFile(dir / "two.cmd", "+[s]two=1\n");
    WriteFile(dir / "inner.icm", "IF EXIST FILE nothere\na.ini one.cmd\n");
    WriteFile(dir / "outer.icm", "/c inner.icm\na.ini two.cmd\n");
    RunResult r = RunRivel({"/c", "outer.icm", "/v3"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), "[s]\ntwo=1\n");
    EXPECT_NE(r.err.find("Not enough ENDIF statements found"), std::string::npos);
}

TEST(IcmFile, OneLineFormRunsTheRestAsAnInvocation) {
    ScratchDir dir;
    ScopedEnv temp("TEMP", dir.path().string());
    ScopedEnv mode("RIVEL_SITE_MODE", "Test");
    WriteFile(dir / "a.ini", "[s]\n");
    WriteFile(dir / "one.cmd", "+[s]one=1\n");
    WriteFile(dir / "two.cmd", "+[s]two=1\n");
    WriteFile(
        dir / "run.icm",
        "IFENV RIVEL_SITE_MODE test a.ini one.cmd\nIFNENV RIVEL_SITE_MODE test a.ini two.cmd\n");
    RunRivel({"/c", "run.icm"}, dir.path());
    EXPECT_EQ(Lf(ReadFile(dir / "a.ini")), "[s]\none=1\n");
}

TEST(IcmFile, GroupOptionOfTheCommandLineCarriesIntoEveryLine) {
    ScratchDir dir;
    ScopedEnv temp("TEMP", dir.path().string());
    for (const char* name : {"DEMO.GRP", "GROUP.CMD"}) {
        std::filesystem::copy_file(ExamplesDir() / name, dir / name);
    }
    WriteFile(dir / "edit.icm", "DEMO.GRP GROUP.CMD\n");
    WriteFile(dir / "look.icm", "/d DEMO.GRP OUT.GRI\n");
    RunRivel({"/g", "/c", "edit.icm"}, dir.path());
    RunRivel({"/c", "look.icm"}, dir.path());
    std::string gri = Lf(ReadFile(dir / "OUT.GRI"));
    EXPECT_NE(gri.find("Command=NOTEPAD.EXE TODO.TXT\n"), std::string::npos);
    EXPECT_EQ(gri.find("[Terminal]"), std::string::npos);
}

}  // namespace
}  // namespace rivel_test
