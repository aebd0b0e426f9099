#include "driver/run_modes.h"

#include <gtest/gtest.h>

#include <fstream>

#include "base/message_log.h"
#include "icmfile/icm_file.h"
#include "platform/files.h"

namespace rivel {
namespace {

// An ICM file in the current directory, removed at the end of the test.
class IcmFile {
  public:
    explicit IcmFile(const std::string& text) : path_(CreateUniqueFile("", "icmtest")) {
        std::ofstream(path_, std::ios::binary) << text;
    }
    ~IcmFile() {
        std::string error;
        RemoveFile(path_, error);
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// A context as the entry point makes it: ICM lines reach the mode dispatch.
struct IcmRun : RunContext {
    IcmRun() { runInvocation = RunIcmInvocation; }
};

std::string RunLine(RunContext& run, const std::string& line, int verbosity = 9) {
    RunOptions o;
    o.VerboseMode = verbosity;
    StartLogCapture(run.log);
    ExecuteIcmLine(run, o, line);
    return TakeLogCapture(run.log);
}

// One log line: the label padded to the label column, then the text.
std::string Line(const std::string& label, const std::string& text) {
    return label + std::string(label.size() < 30 ? 30 - label.size() : 0, ' ') + text + "\n";
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

TEST(ExecuteIcmLine, ExecuteLineStoresTheExitStatus) {
    IcmRun run;
    std::string log = RunLine(run, "E  exit 3");
    EXPECT_NE(log.find(Line("Execute processing :", "exit 3")), std::string::npos);
    EXPECT_EQ(run.lastErrorCode, 3);
    RunLine(run, "E exit 0");
    EXPECT_EQ(run.lastErrorCode, 0);
}

TEST(ExecuteIcmLine, LowerCaseEIsAFileName) {
    IcmRun run;
    run.lastErrorCode = 7;
    std::string log = RunLine(run, "e exit 3");
    EXPECT_EQ(run.lastErrorCode, 7);
    EXPECT_NE(log.find("Too many file names"), std::string::npos);
    EXPECT_EQ(RunLine(run, "e"), "Wrong number of parameters for INI-file\n");
}

TEST(ExecuteIcmLine, WrongCountsHaveNoHelpHint) {
    IcmRun run;
    EXPECT_EQ(RunLine(run, " "), "Wrong number of parameters for INI-file\n");
    EXPECT_EQ(RunLine(run, "/c"), "Wrong number of parameters for ICM-file\n");
    EXPECT_EQ(RunLine(run, "/g a"), "Wrong number of parameters for GRP-CMD-file\n");
    EXPECT_EQ(RunLine(run, "/d a"), "Wrong number of parameters for Decompile-GRP-file\n");
    EXPECT_EQ(RunLine(run, "/? a b"), Line("ICM-Help Option found", "not supported in ICM files"));
}

TEST(ExecuteIcmLine, OptionsRefusedOnIcmLines) {
    IcmRun run;
    const std::string wrongCount = "Wrong number of parameters for INI-file\n";
    EXPECT_EQ(RunLine(run, "/l=x.log", 1), Line("Invalid Option ", "l") + wrongCount);
    EXPECT_EQ(RunLine(run, "/! /e;", 1),
              Line("Invalid Option ", "!") + Line("Invalid Option ", "/e;") + wrongCount);
    // After /v the verbosity is 1, so the complaint about the third character is shown.
    EXPECT_EQ(RunLine(run, "/vx", 0), Line("Invalid Verbosemode ", "/vx") + wrongCount);
    EXPECT_EQ(RunLine(run, "/v0 /q"), "");
}

TEST(ProcessIcmFile, LastLineWithoutLineEndIsNotRun) {
    IcmRun run;
    IcmFile icm("E exit 4\n  ;remark\n\nE exit 5");
    RunOptions o;
    o.VerboseMode = 9;
    StartLogCapture(run.log);
    ProcessIcmFile(run, o, icm.path());
    std::string log = TakeLogCapture(run.log);
    EXPECT_EQ(run.lastErrorCode, 4);
    EXPECT_NE(log.find(Line("Remark     :", ";remark")), std::string::npos);
    EXPECT_EQ(log.find("exit 5"), std::string::npos);
    EXPECT_NE(log.find("ICM-Close"), std::string::npos);
}

TEST(ProcessIcmFile, MissingFileIsReported) {
    IcmRun run;
    RunOptions o;
    StartLogCapture(run.log);
    ProcessIcmFile(run, o, "no-such-file.icm");
    EXPECT_EQ(TakeLogCapture(run.log), "ICMFile open returns BAD for :no-such-file.icm\n");
}

TEST(ProcessIcmFile, FileAlreadyRunningFurtherUpIsRefused) {
    IcmRun run;
    IcmFile icm("");
    // Twice: without the check this ran 2^16 times before the nesting limit ended it.
    std::ofstream(icm.path(), std::ios::binary)
        << "/c " << icm.path() << "\n/c " << icm.path() << "\n";
    RunOptions o;
    o.VerboseMode = 5;
    StartLogCapture(run.log);
    ProcessIcmFile(run, o, icm.path());
    std::string log = TakeLogCapture(run.log);
    EXPECT_EQ(Count(log, "ICM-File  : "), 1u);
    EXPECT_EQ(Count(log, "ICM file is already being run, not run again: "), 2u);
    EXPECT_EQ(Count(log, "ICM-Close"), 1u);
}

}  // namespace
}  // namespace rivel
