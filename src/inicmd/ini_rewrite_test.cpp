#include "inicmd/ini_rewrite.h"

#include <gtest/gtest.h>

#include "base/message_log.h"
#include "inicmd/rewrite_fixture.h"
#include "platform/files.h"

namespace rivel {
namespace {

RewriteResult Pass(const std::vector<std::string>& commands, const std::string& ini, int cfg = 0,
                   int verbose = 4) {
    RunOptions o;
    o.CfgMode = cfg;
    o.VerboseMode = verbose;
    return Rewrite(commands, ini, o);
}

TEST(ScanINI, LayoutOneEmptyLineBeforeEachHeader) {
    const std::string ini = "[a]\nx=1\n\ny=2\n\n\n[b]\nz=3\n";
    RewriteResult r = Pass({"+[a]y=5"}, ini);
    EXPECT_EQ(r.output, "[a]\nx=1\ny=5\n\n[b]\nz=3\n");
    EXPECT_TRUE(r.changed);
    RewriteResult none = Pass({"+[nosuch]", "-[a]q"}, ini);
    EXPECT_FALSE(none.changed);
    EXPECT_EQ(none.status, 1);
}

TEST(ScanINI, TrailingBlanksCountAsAChange) {
    RewriteResult r = Pass({"-[a]q"}, "[a]\nx=1  \n", 0, 6);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(r.output, "[a]\nx=1\n");
    EXPECT_NE(
        r.log.find("Replacing:                    x=1  \n    with :                    x=1\n"),
        std::string::npos);
}

TEST(ScanINI, DeleteSectionKeepsLongCommentsOnly) {
    EXPECT_EQ(Pass({"-[Turbo]"}, "[a]\n[Turbo]\n;\nk=1\n; a real comment\n[b]\nz=1\n").output,
              "[a]\n; a real comment\n\n[b]\nz=1\n");
}

TEST(ScanINI, CommentAndUncommentSections) {
    EXPECT_EQ(Pass({"#[Turbo]"}, "[Turbo]\nk=1\n;old\n").output, ";[Turbo]\n;k=1\n;old\n");
    EXPECT_EQ(Pass({"@[Turbo]"}, "[a]\n;[Turbo]\n;k=1\n;old note\n;x\n").output,
              "[a]\n\n[Turbo]\nk=1\nold note\n;x\n");
    // An add to a commented-out section brings the header back; its keys stay commented.
    EXPECT_EQ(Pass({"+[Turbo]n=2"}, ";[Turbo]\n;k=1\n").output, "[Turbo]\n;k=1\nn=2\n");
    EXPECT_EQ(Pass({"@[s]k=1"}, "[s]\n;k=2\n; K = 1\n").output, "[s]\n;k=2\n K = 1\n");
}

TEST(ScanINI, NewSectionsAtTheEndInCommandOrder) {
    EXPECT_EQ(Pass({"+[New]a=1", "+[Other]c=3", "+[NEW]b=2"}, "[x]\ny=1\n").output,
              "[x]\ny=1\n\n[New]\na=1\nb=2\n\n[Other]\nc=3\n");
    // A file without line ends gets the platform's.
    const std::string end = NativeLineEnd();
    EXPECT_EQ(Pass({"+[New]a=1"}, "").output, "[New]" + end + "a=1" + end);
}

TEST(ScanINI, DeletedSectionRecreatedByAnAdd) {
    RewriteResult r = Pass({"-[Turbo]", "+[Turbo]x=1"}, "[Turbo]\nold=1\n[b]\nz=1\n", 0, 3);
    EXPECT_EQ(r.output, "\n[Turbo]\nx=1\n[b]\nz=1\n");
    EXPECT_NE(r.log.find("ADDkeys after DELeteSection found[Turbo]"), std::string::npos) << r.log;
}

TEST(ScanINI, NetCfgModes) {
    const std::string cfg = "Link Driver NE2000\n        PORT 300\nMODE=1\n";
    EXPECT_EQ(Pass({"-[Link Driver NE2000]MODE"}, cfg, 1).output,
              "\nLink Driver NE2000\n        PORT 300\n");
    // Without sections every line belongs to the empty one; only "=" splits a key.
    EXPECT_EQ(Pass({"-[]PORT"}, "PORT 300\nLink X\n  PORT=1\n", 2).output, "PORT 300\nLink X\n");
}

TEST(ScanINI, LineEndsAndBadBytes) {
    EXPECT_EQ(Pass({"+[a]k=2"}, "[a]\r\nk=1\r\nx=1").output, "[a]\r\nk=2\r\nx=1\r\n");
    std::string nul("v\0w", 3);
    std::string huge(1 << 20, 'x');
    RewriteResult r = Pass({"+[a]k=2"}, "[a]\n" + huge + "=" + nul + "\n[b\nk=1\n]]\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "[a]\n" + huge + "=" + nul + "\nk=2\n\n[b\nk=1\n]]\n");
}

TEST(ScanINI, MissingInput) {
    RunContext run;
    RunOptions o;
    CommandStore store;
    std::string out = ScratchFileName("out");
    StartLogCapture(run.log);
    EXPECT_EQ(ScanINI(run, o, store, out + ".absent", out), 0);
    EXPECT_EQ(TakeLogCapture(run.log), "Can't open input file         " + out +
                                           ".absent\nINI File not found, CreateFile not specified "
                                           "Aborting..\n");
    o.CreateIni = 1;
    ParseCommand(run, o, store, "+[New]a=1", "");
    StartLogCapture(run.log);
    EXPECT_EQ(ScanINI(run, o, store, out + ".absent", out), 1);
    EXPECT_NE(TakeLogCapture(run.log).find("Empty file is used"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(out), std::string("[New]") + NativeLineEnd() + "a=1" + NativeLineEnd());
    std::remove(out.c_str());
}

}  // namespace
}  // namespace rivel

namespace rivel {
namespace {

// Random command lines and INI files built from the characters that mean something to the
// parsers: every run must end with a result, whatever the bytes.
TEST(ScanINI, RandomInputAlwaysEnds) {
    // The terminating NUL is one of the characters drawn.
    static const char kAlphabet[] = "+&*!-_~#@/><{}rR?=[];, \tkvK1a.\r";
    RandomText random{std::string_view(kAlphabet, sizeof kAlphabet), 12345};
    auto next = [&random](uint32_t bound) { return random.Next(bound); };
    auto text = [&random](size_t length) { return random.Text(length); };
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> commands;
        for (uint32_t c = next(8); c > 0; --c) {
            commands.push_back(text(next(14)));
        }
        std::string ini;
        for (uint32_t l = next(12); l > 0; --l) {
            if (next(3) == 0) {
                ini += '[';
                ini += text(3);
                ini += ']';
            } else {
                ini += text(next(16));
            }
            ini += '\n';
        }
        for (int cfg = 0; cfg < 3; ++cfg) {
            RunOptions o;
            o.CfgMode = cfg;
            RewriteResult r = Rewrite(commands, ini, o);
            ASSERT_EQ(r.status, 1) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace rivel
