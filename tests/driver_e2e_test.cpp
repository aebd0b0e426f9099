// The command line, the banner, the message log and the help, seen from outside.
#include <gtest/gtest.h>

#include "rivel_runner.h"

namespace rivel_test {
namespace {

const std::string kBanner = "RIVEL configuration file maintenance V3.01  1996.06.01\n";
const std::string kPrompt = "----- PRESS ANY KEY, ESC to abort -----";

TEST(CommandLine, NoArgumentsReportTheWrongCount) {
    ScratchDir dir;
    RunResult r = RunRivel({}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Lf(r.err), kBanner +
                             "Wrong number of parameters for INI-file\n"
                             "Type RIVEL -? for detailed help\n");
}

TEST(CommandLine, VerbosityZeroLeavesOnlyTheBannerAndConsoleLines) {
    ScratchDir dir;
    EXPECT_EQ(Lf(RunRivel({"/v0"}, dir.path()).err), kBanner);
    RunResult r = RunRivel({"/v0", "/sx", "/q"}, dir.path());
    EXPECT_EQ(Lf(r.err), "Invalid Swapmode </sx> found\nInvalid Option <q> found\n" + kBanner);
    EXPECT_EQ(Lf(RunRivel({"/!", "/v0"}, dir.path()).err), "");
}

TEST(CommandLine, WrongCountsPerMode) {
    ScratchDir dir;
    EXPECT_NE(Lf(RunRivel({"/r", "a", "b"}, dir.path()).err)
                  .find("Wrong number of parameters for Registery CMD-file\nType RIVEL -?"),
              std::string::npos);
    EXPECT_NE(Lf(RunRivel({"/g", "a"}, dir.path()).err)
                  .find("Wrong number of parameters for GRP-CMD-file\n"),
              std::string::npos);
    EXPECT_NE(Lf(RunRivel({"/d", "a"}, dir.path()).err)
                  .find("Wrong number of parameters for Decompile-GRP-file\n"),
              std::string::npos);
    EXPECT_NE(
        Lf(RunRivel({"/c"}, dir.path()).err).find("Wrong number of parameters for ICM-file\n"),
        std::string::npos);
}

TEST(CommandLine, MoreThanTwoFileNamesStopBeforeAnythingIsDone) {
    ScratchDir dir;
    WriteFile(dir / "a.ini", "[s]\nk=1\n");
    WriteFile(dir / "b.cmd", "+[s]k=2\n");
    RunResult r = RunRivel({"a.ini", "b.cmd", "c.cmd"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(Lf(r.err).find("Too many file names, nothing done: c.cmd\n"), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "a.ini"), "[s]\nk=1\n");
}

TEST(CommandLine, ArgumentsOfAnyLengthAndBytesDoNotCrash) {
    ScratchDir dir;
    // A Windows command line is limited to 32767 characters, and less under Wine.
    const size_t longest = Sep() == '\\' ? 8000 : 100000;
    RunResult r =
        RunRivel({"", std::string(longest, 'a'), "/v\x80\xff", "\xfe\x81", "/v4"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Invalid Verbosemode </v\x80\xff> found"), std::string::npos);
    EXPECT_NE(r.err.find("Too many file names"), std::string::npos);
}

TEST(LogFile, HeaderAndMessagesGoToTheFile) {
    ScratchDir dir;
    RunResult r = RunRivel({"/v9", "/lfoo.log", "/n"}, dir.path());
    // The complaint about /l comes before the log file is open, so it stays on the console.
    EXPECT_EQ(Lf(r.err), "-L option found with no = sign\n" + kBanner);
    std::string log = Lf(ReadFile(dir / "oo.log"));
    std::string expectedStart = ";\n; " + kBanner + ";\n; Running at ";
    EXPECT_EQ(log.substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(log.find("\n;\n; /v9 /lfoo.log /n\n; With NETWARE support\n;\n"), std::string::npos);
    EXPECT_NE(log.find("-N option found with no = sign\n"), std::string::npos);
    EXPECT_NE(log.find("Wrong number of parameters for INI-file\n"), std::string::npos);
}

// A log file is a text file of the system: on Windows every line ends with CR LF, as the files
// of Notepad and the console's own do, elsewhere with LF alone.
TEST(LogFile, LinesEndAsTheSystemsTextFilesDo) {
    ScratchDir dir;
    WriteFile(dir / "a.ini", "[s]\nk=1\n");
    WriteFile(dir / "e.cmd", "+[s]k=2\n");
    RunRivel({"/v9", "/l=run.log", "a.ini", "e.cmd"}, dir.path());
    const std::string log = ReadFile(dir / "run.log");
    ASSERT_NE(log.find("; With NETWARE support"), std::string::npos) << log;
    ASSERT_NE(log.find("INI-Scan"), std::string::npos) << log;
    size_t lines = 0;
    size_t crlf = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i] == '\n') {
            ++lines;
            crlf += i > 0 && log[i - 1] == '\r' ? 1 : 0;
        }
    }
    EXPECT_GT(lines, 10u);
    EXPECT_EQ(log.back(), '\n');
    EXPECT_EQ(crlf, Sep() == '\\' ? lines : 0u) << log;
}

TEST(LogFile, UncreatableLogLeavesMessagesOnTheConsole) {
    ScratchDir dir;
    std::string name = std::string("/l=nodir") + Sep() + "x.log";
    RunResult r = RunRivel({name}, dir.path());
    // The failure is said on the console, where the messages then go.
    std::string err = Lf(r.err);
    std::string expected = "Can't create log file :       nodir";
    expected += Sep();
    expected += "x.log\nProblem:                      ";
    EXPECT_EQ(err.rfind(expected, 0), 0u) << err;
    EXPECT_NE(err.find("\n" + kBanner +
                       "Wrong number of parameters for INI-file\n"
                       "Type RIVEL -? for detailed help\n"),
              std::string::npos)
        << err;
    EXPECT_NE(Lf(RunRivel({"/l="}, dir.path()).err).find("-L option with no filename found\n"),
              std::string::npos);
}

int CountPrompts(const std::string& out) {
    int n = 0;
    for (size_t at = out.find(kPrompt); at != std::string::npos; at = out.find(kPrompt, at + 1)) {
        ++n;
    }
    return n;
}

TEST(Help, EightKeysShowAllEightPages) {
    ScratchDir dir;
    RunResult r = RunRivel({"a.ini", "/?", "b.cmd"}, dir.path(), "12345678");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lf(r.err), kBanner);
    std::string out = Lf(r.out);
    EXPECT_EQ(CountPrompts(out), 8);
    EXPECT_EQ(out.substr(0, 7), "Usage:\n");
    EXPECT_NE(out.find("rivel [options] {/c\xDD/d} <GRP-file> [options] <GRI-file> [options]\n"),
              std::string::npos);
    EXPECT_NE(out.find(kPrompt + "\n---------------- Example CMD-File"), std::string::npos);
    const std::string lastLine = "<[Windows]load=nwpopup.exe : Removes it from the load line\n";
    EXPECT_EQ(out.substr(out.size() - lastLine.size() - kPrompt.size()), lastLine + kPrompt);
}

TEST(Help, EscapeOrEndOfInputStopsAfterPageOne) {
    ScratchDir dir;
    for (const std::string& input : {std::string("\x1b"
                                                 "123"),
                                     std::string()}) {
        RunResult r = RunRivel({"/h"}, dir.path(), input);
        std::string out = Lf(r.out);
        EXPECT_EQ(CountPrompts(out), 1);
        EXPECT_EQ(out.substr(out.size() - kPrompt.size() - 1), "\n" + kPrompt);
        EXPECT_EQ(out.find("Lines will be added"), std::string::npos);
    }
}

}  // namespace
}  // namespace rivel_test
