#include "driver/option_scan.h"

#include <gtest/gtest.h>

#include "base/message_log.h"
#include "platform/files.h"

namespace rivel {
namespace {

struct Scan {
    ScannedCommandLine result;
    std::string log;
    std::string baseFileName;
};

Scan ScanOf(std::vector<std::string> args) {
    RunContext run;
    StartLogCapture(run.log);
    Scan s{ScanArguments(run, args, ""), "", ""};
    s.log = TakeLogCapture(run.log);
    s.baseFileName = run.baseFileName;
    return s;
}

std::string Prefixed(const std::string& name) {
    return std::string(".") + PathSeparator() + name;
}

TEST(ScanArguments, VerbosityDigits) {
    EXPECT_EQ(ScanOf({"/v"}).result.options.VerboseMode, 1);
    EXPECT_EQ(ScanOf({"/v0"}).result.options.VerboseMode, 0);
    EXPECT_EQ(ScanOf({"-V9"}).result.options.VerboseMode, 9);
    EXPECT_EQ(ScanOf({"/v99"}).result.options.VerboseMode, 99);
    EXPECT_EQ(ScanOf({"/v100"}).result.options.VerboseMode, 100);
    EXPECT_EQ(ScanOf({"/v1234"}).result.options.VerboseMode, 123);
    Scan bad = ScanOf({"/v3x"});
    EXPECT_EQ(bad.result.options.VerboseMode, 30);
    EXPECT_EQ(bad.log, "Invalid Verbosemode </v3x> found\n");
    Scan third = ScanOf({"/vx"});
    EXPECT_EQ(third.result.options.VerboseMode, 1);
    EXPECT_EQ(third.log, "Invalid Verbosemode </vx> found\n");
}

TEST(ScanArguments, SwapAndCfgModes) {
    EXPECT_EQ(ScanOf({"/S2"}).result.options.SwapMode, 2);
    EXPECT_EQ(ScanOf({"/s2"}).result.options.SwapMode, 2);
    EXPECT_EQ(ScanOf({"/s"}).result.options.SwapMode, 1);
    Scan silent = ScanOf({"/s12"});
    EXPECT_EQ(silent.result.options.SwapMode, 1);
    EXPECT_EQ(silent.log, "");
    Scan bad = ScanOf({"/sx"});
    EXPECT_EQ(bad.result.options.SwapMode, 1);
    EXPECT_EQ(bad.log, "Invalid Swapmode </sx> found\n");
    EXPECT_EQ(ScanOf({"/w2"}).result.options.CfgMode, 2);
    EXPECT_EQ(ScanOf({"/wq"}).log, "Invalid CFG-mode </wq> found\n");
}

TEST(ScanArguments, DelimiterOption) {
    EXPECT_EQ(ScanOf({"/e=;"}).result.options.Delimiter, ';');
    // Without a character the option is refused: a NUL delimiter would be written into files.
    Scan empty = ScanOf({"/e="});
    EXPECT_EQ(empty.result.options.Delimiter, '=');
    EXPECT_EQ(empty.log, "Invalid Option                /e=\n");
    Scan bad = ScanOf({"/e;"});
    EXPECT_EQ(bad.result.options.Delimiter, '=');
    EXPECT_EQ(bad.log, "-E option found with no = sign\n");
    // The message follows the verbosity in force when it is met, not a later /v.
    EXPECT_EQ(ScanOf({"/e;", "/v0"}).log, "-E option found with no = sign\n");
    EXPECT_EQ(ScanOf({"/v0", "/e;"}).log, "");
}

TEST(ScanArguments, CreateIniAndBaseFile) {
    Scan plain = ScanOf({"/n"});
    EXPECT_EQ(plain.result.options.CreateIni, 1);
    EXPECT_EQ(plain.log, "");
    EXPECT_EQ(ScanOf({"/v9", "/n"}).log, "-N option found with no = sign\n");
    Scan base = ScanOf({"/n=base.ini"});
    EXPECT_EQ(base.result.options.CreateIni, 2);
    EXPECT_EQ(base.baseFileName, Prefixed("base.ini"));
    Scan empty = ScanOf({"/n="});
    EXPECT_EQ(empty.result.options.CreateIni, 2);
    EXPECT_EQ(empty.log, "-N= option with no filename found\n");
}

TEST(ScanArguments, UnknownOptionsAreReportedAsTyped) {
    EXPECT_EQ(ScanOf({"/t=x"}).log, "Invalid Option <t> found\n");
    EXPECT_EQ(ScanOf({"-Q"}).log, "Invalid Option <Q> found\n");
    EXPECT_EQ(ScanOf({"-"}).log, "Invalid Option <> found\n");
    Scan flags = ScanOf({"/o", "/!", "/b", "/g", "/r", "/d", "/?"});
    EXPECT_EQ(flags.log, "");
    const RunOptions& o = flags.result.options;
    EXPECT_EQ(o.NoBanner + o.Backup + o.GrpCmd + o.RegistryFile + o.DecompileGrp + o.Help, 6);
}

TEST(ScanArguments, FileNamesAndModes) {
    RunContext run;
    Scan one = ScanOf({"/c", "run.icm"});
    EXPECT_EQ(one.result.fileCount, 1);
    EXPECT_EQ(one.result.options.IcmFile, 1);
    EXPECT_EQ(one.result.options.FileName1, Prefixed("run.icm"));
    Scan two = ScanOf({"a.grp", "/c", "b.gri"});
    EXPECT_EQ(two.result.options.IcmFile, 0);
    EXPECT_EQ(two.result.options.CompileGri, 1);
    EXPECT_EQ(two.result.options.FileName2, Prefixed("b.gri"));
    Scan three = ScanOf({"a", "b", "c", "d"});
    EXPECT_EQ(three.result.fileCount, 2);
    EXPECT_EQ(three.result.excessFiles, (std::vector<std::string>{"c", "d"}));
}

TEST(ScanArguments, ArgumentsOfAnyBytesAreSafe) {
    Scan s = ScanOf({"", std::string(100000, 'v'), "/v\xff\x80", std::string("/\0x", 3)});
    EXPECT_EQ(s.result.fileCount, 2);
    EXPECT_EQ(s.result.options.FileName1, "");
    EXPECT_NE(s.log.find("Invalid Verbosemode"), std::string::npos);
}

}  // namespace
}  // namespace rivel
