// The replace commands: their scope and case, their bounds, and their agreement with the
// replacement rule applied one character at a time, also for search texts long enough to be
// compared in words and for bytes that only look alike.
#include "inicmd/replace_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "inicmd/rewrite_fixture.h"

namespace rivel {
namespace {

RewriteResult Pass(const std::vector<std::string>& commands, const std::string& ini,
                   int verbose = 4) {
    RunOptions o;
    o.VerboseMode = verbose;
    return Rewrite(commands, ini, o);
}

std::string Replaced(const std::vector<std::string>& commands, const std::string& ini) {
    return Pass(commands, ini).output;
}

// Case is ignored for the letters a-z only.
bool Same(char a, char b, bool exact) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return exact ? a == b : upper(a) == upper(b);
}

// The replacement rule spelled out one character at a time: every character (of the line, or of
// inserted text still to be searched) is appended in turn, and an occurrence is replaced as soon
// as its last character is; an inserted text that holds the search text is not searched again.
// Nothing when it makes more than 200 replacements, unless stopAfter is given: then the
// replacements stop there, and the text stays as it is by then.
std::optional<std::string> OneByOne(const std::string& line, const std::string& search,
                                    const std::string& with, bool exact, size_t stopAfter = 0) {
    const size_t n = search.size();
    auto endsWithSearch = [&](const std::string& text, size_t at) {
        for (size_t k = 0; k < n; ++k) {
            if (!Same(text[at + k], search[k], exact)) {
                return false;
            }
        }
        return true;
    };
    bool feedsItself = false;
    for (size_t i = 0; i + n <= with.size(); ++i) {
        feedsItself = feedsItself || endsWithSearch(with, i);
    }
    std::string out, pending;
    size_t linePos = 0, pendingPos = 0, barrier = 0, count = 0;
    while (pendingPos < pending.size() || linePos < line.size()) {
        out += pendingPos < pending.size() ? pending[pendingPos++] : line[linePos++];
        if (out.size() < n || out.size() - n < barrier || !endsWithSearch(out, out.size() - n)) {
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
    RewriteResult r = Pass({"r[]a=aa"}, "[s]\nk=aba\n", 3);
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
            std::optional<std::string> expected = OneByOne(line, search, with, exact);
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
        OneByOne(line, "ab", "bba", true, 10000 + 4 * line.size());
    ASSERT_TRUE(want.has_value());
    RewriteResult r = Pass({"R[s]ab=bba"}, "[s]\n" + line + "\n", 3);
    EXPECT_EQ(r.output, "[s]\n" + *want + "\n");
    EXPECT_NE(r.log.find("Replace stopped after too many replacements: ab"), std::string::npos);
}

TEST(ReplaceWords, LongSearchTextsAgreeWithTheRule) {
    // Pairs that differ only in bit 0x20 without being letters ('@' '`', '[' '{', 0xC1 0xE1)
    // must stay apart when case is ignored.
    const std::string alphabet = "aAbB@`[{\xC1\xE1";
    // Mostly the first four characters, so that occurrences are common.
    RandomText common{std::string_view(alphabet).substr(0, 4), 7}, all{alphabet, 8};
    auto next = [&common](uint32_t bound) { return common.Next(bound); };
    auto text = [&](size_t length, size_t letters) {
        return letters == 4 ? common.Text(length) : all.Text(length);
    };
    int compared = 0;
    for (int batch = 0; batch < 8; ++batch) {
        std::vector<std::string> commands;
        std::string ini, want;
        for (int c = 0; c < 250; ++c) {
            // Mostly a-b, so that occurrences are common; the look-alikes now and then.
            const size_t letters = next(3) == 0 ? alphabet.size() : 4;
            const std::string search = text(1 + next(19), letters);
            const std::string with = text(next(12), letters);
            // Occurrences planted in lines of every length up to a few words, so that they
            // also begin and end near the ends of the line and of its 8-byte words.
            std::string line = text(next(12), letters);
            for (uint32_t k = next(4); k > 0; --k) {
                line += (next(2) == 0 ? search : with) + text(next(9), letters);
            }
            const bool exact = next(2) == 0;
            const std::optional<std::string> expected = OneByOne(line, search, with, exact);
            const std::string section = "[s" + std::to_string(c) + "]";
            // A command that would rename its header would take its line out of the section.
            if (!expected || OneByOne(section, search, with, exact) != section) {
                continue;
            }
            commands.push_back((exact ? "R" : "r") + section + search + "=" + with);
            // "k=" keeps a line from reading as a header.
            ini += section + "\nk=" + line + "\n";
            want += (want.empty() ? "" : "\n") + section + "\nk=" + *expected + "\n";
            ++compared;
        }
        ASSERT_EQ(Replaced(commands, ini), want);
    }
    EXPECT_GT(compared, 1500);
}

TEST(ReplaceWords, EveryLineAndSectionCommandsInListOrder) {
    // The newest command applies first, "[]" ones taking their turn among the section's.
    const std::string ini = "[Apps]\nrun=old.dll,OLD.dll\n[x]\nk=old.dll\n";
    EXPECT_EQ(Replaced({"r[apps]MID.DLL=new.library", "r[]old.dll=mid.dll"}, ini),
              "[Apps]\nrun=new.library,new.library\n\n[x]\nk=mid.dll\n");
    EXPECT_EQ(Replaced({"r[]old.dll=mid.dll", "r[apps]MID.DLL=new.library"}, ini),
              "[Apps]\nrun=mid.dll,mid.dll\n\n[x]\nk=mid.dll\n");
}

}  // namespace
}  // namespace rivel
