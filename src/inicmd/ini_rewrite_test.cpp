#include "inicmd/ini_rewrite.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>

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

TEST(ReplaceLine, SectionScopeAndCase) {
    const std::string ini = "[fonts]\nArial=ARIAL.TTF\n[other]\narial=x\n";
    EXPECT_EQ(Pass({"r[]arial=Helv"}, ini).output, "[fonts]\nHelv=Helv.TTF\n\n[other]\nHelv=x\n");
    EXPECT_EQ(Pass({"R[]arial=Helv"}, ini).output, "[fonts]\nArial=ARIAL.TTF\n\n[other]\nHelv=x\n");
    EXPECT_EQ(Pass({"r[fonts]fonts=Typefaces", "r[FONTS]Arial=Helv"}, ini).output,
              "[Typefaces]\nArial=ARIAL.TTF\n\n[other]\narial=x\n");
    // The renamed header starts a section of the new name, so the lines after it are not in
    // [fonts] any more; the header itself is.
    EXPECT_EQ(Pass({"r[fonts]Arial=Helv"}, ini).output,
              "[fonts]\nHelv=Helv.TTF\n\n[other]\narial=x\n");
    // Restarting from the front: "aab" with ab -> a ends as "aa".
    EXPECT_EQ(Pass({"r[s]ab=a"}, "[s]\naab\n").output, "[s]\naa\n");
    EXPECT_EQ(Pass({"r[s]ab=ba"}, "[s]\naab\n").output, "[s]\nbaa\n");
}

TEST(ReplaceLine, ReplacementHoldingTheSearchTextEnds) {
    RewriteResult r = Pass({"r[]a=aa"}, "[s]\nk=aba\n", 0, 3);
    EXPECT_EQ(r.output, "[s]\nk=aabaa\n");
    EXPECT_NE(r.log.find("Replace text contains search text"), std::string::npos);
    // A replacement that grows the line without holding the search text is bounded too.
    std::string growing = "[s]\n";
    growing.append(64, 'a');
    growing += "b\n";
    RewriteResult grow = Pass({"r[]ab=bba"}, growing);
    EXPECT_EQ(grow.status, 1);
    EXPECT_LT(grow.output.size(), 200000u);
}

// Random texts drawn from an alphabet, the same on every run.
struct RandomText {
    std::string_view alphabet;
    uint32_t seed;

    uint32_t Next(uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    }
    std::string Text(size_t length) {
        std::string s;
        for (size_t i = 0; i < length; ++i) {
            s += alphabet[Next(static_cast<uint32_t>(alphabet.size()))];
        }
        return s;
    }
};

// The replacement rule spelled out one character at a time: every character (of the line, or
// of inserted text still to be searched) is appended in turn, and an occurrence is replaced as
// soon as its last character is. Nothing when it makes more than 200 replacements, unless
// stopAfter is given: then the replacements stop there, and the text stays as it is by then.
std::optional<std::string> ReplacedOneByOne(const std::string& line, const std::string& search,
                                            const std::string& with, bool exact,
                                            size_t stopAfter = 0) {
    auto same = [exact](char a, char b) {
        return exact ? a == b
                     : std::toupper(static_cast<unsigned char>(a)) ==
                           std::toupper(static_cast<unsigned char>(b));
    };
    auto occursIn = [&](const std::string& text) {
        for (size_t i = 0; i + search.size() <= text.size(); ++i) {
            size_t k = 0;
            while (k < search.size() && same(text[i + k], search[k])) {
                ++k;
            }
            if (k == search.size()) {
                return true;
            }
        }
        return false;
    };
    const bool feedsItself = occursIn(with);
    std::string out, pending;
    size_t linePos = 0, pendingPos = 0, barrier = 0, count = 0;
    while (pendingPos < pending.size() || linePos < line.size()) {
        out += pendingPos < pending.size() ? pending[pendingPos++] : line[linePos++];
        const size_t n = search.size();
        if (out.size() < n || out.size() - n < barrier || !occursIn(out.substr(out.size() - n))) {
            continue;
        }
        if (++count > (stopAfter != 0 ? stopAfter : 200)) {
            if (stopAfter == 0) {
                return std::nullopt;
            }
            return out + pending.substr(pendingPos) + line.substr(linePos);
        }
        out.resize(out.size() - n);
        if (feedsItself) {
            out += with;
            barrier = out.size();
        } else {
            pending = with + pending.substr(pendingPos);
            pendingPos = 0;
        }
    }
    return out;
}

TEST(ReplaceLine, AgreesWithTheRuleAppliedOneCharacterAtATime) {
    RandomText random{"abAB", 99};
    auto next = [&random](uint32_t bound) { return random.Next(bound); };
    auto text = [&random](size_t length) { return random.Text(length); };
    // Many cases in one pass: each in a section of its own, with its own replace command.
    int compared = 0;
    for (int batch = 0; batch < 10; ++batch) {
        std::vector<std::string> commands;
        std::string ini, want;
        for (int c = 0; c < 300; ++c) {
            const std::string search = text(1 + next(4));
            const std::string with = text(next(5));
            const std::string line = text(1 + next(40));
            const bool exact = next(2) == 0;
            std::optional<std::string> expected = ReplacedOneByOne(line, search, with, exact);
            if (!expected) {
                continue;
            }
            const std::string section = "[s" + std::to_string(c) + "]";
            commands.push_back((exact ? "R" : "r") + section + search + "=" + with);
            ini += section + "\n" + line + "\n";
            want += (compared == 0 || want.empty() ? "" : "\n") + section + "\n";
            want += expected->empty() ? "" : *expected + "\n";
            ++compared;
        }
        ASSERT_EQ(Pass(commands, ini).output, want);
    }
    EXPECT_GT(compared, 2500);
}

TEST(ReplaceLine, StopsAtItsLimitWithTheTextSoFar) {
    // "ab" -> "bba" moves each a past a run of b's that doubles: a line of 20 a's and a b would
    // take about a million replacements, far past the limit of 10,000 + 4 per character.
    const std::string line = std::string(20, 'a') + "b";
    const std::optional<std::string> want =
        ReplacedOneByOne(line, "ab", "bba", true, 10000 + 4 * line.size());
    ASSERT_TRUE(want.has_value());
    RewriteResult r = Pass({"R[s]ab=bba"}, "[s]\n" + line + "\n", 0, 3);
    EXPECT_EQ(r.output, "[s]\n" + *want + "\n");
    EXPECT_NE(r.log.find("Replace stopped after too many replacements: ab"), std::string::npos);
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
