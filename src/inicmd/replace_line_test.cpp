// The replace commands against the replacement rule applied one character at a time, for
// search texts long enough to be compared in words and for bytes that only look alike.
#include "inicmd/replace_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "inicmd/rewrite_fixture.h"

namespace rivel {
namespace {

std::string Replaced(const std::vector<std::string>& commands, const std::string& ini) {
    RunOptions o;
    o.VerboseMode = 4;
    return Rewrite(commands, ini, o).output;
}

// Case is ignored for the letters a-z only.
bool Same(char a, char b, bool exact) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return exact ? a == b : upper(a) == upper(b);
}

// Every character (of the line, or of inserted text still to be searched) is appended in turn,
// and an occurrence is replaced as soon as its last character is; an inserted text that holds
// the search text is not searched again. Nothing past 200 replacements.
std::optional<std::string> OneByOne(const std::string& line, const std::string& search,
                                    const std::string& with, bool exact) {
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
        if (++count > 200) {
            return std::nullopt;
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

TEST(ReplaceWords, LongSearchTextsAgreeWithTheRule) {
    // Pairs that differ only in bit 0x20 without being letters ('@' '`', '[' '{', 0xC1 0xE1)
    // must stay apart when case is ignored.
    const std::string alphabet = "aAbB@`[{\xC1\xE1";
    uint32_t seed = 7;
    auto next = [&seed](uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    };
    auto text = [&](size_t length, size_t letters) {
        std::string s;
        for (size_t i = 0; i < length; ++i) {
            s += alphabet[next(static_cast<uint32_t>(letters))];
        }
        return s;
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
