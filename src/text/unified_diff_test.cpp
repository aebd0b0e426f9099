#include "text/unified_diff.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace rivel {
namespace {

std::vector<std::string> SplitAll(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Applies a diff of whole lines (every line ended) to before; checks the context as it goes.
// Returns the changed line count through changed.
std::string Apply(const std::string& before, const std::string& diff, size_t& changed) {
    std::vector<std::string> a = SplitAll(before);
    std::vector<std::string> d = SplitAll(diff);
    std::vector<std::string> out;
    size_t next = 0;  // next line of a not yet copied
    changed = 0;
    for (size_t i = 2; i < d.size(); ++i) {
        const std::string& h = d[i];
        EXPECT_EQ(h.rfind("@@ -", 0), 0u) << diff;
        size_t start = std::stoul(h.substr(4));
        size_t count = 1;
        size_t comma = h.find(',');
        if (comma != std::string::npos && comma < h.find(' ', 4)) {
            count = std::stoul(h.substr(comma + 1));
        }
        size_t from = count == 0 ? start : start - 1;
        while (next < from) {
            out.push_back(a[next++]);
        }
        size_t taken = 0;
        for (++i; i < d.size() && d[i].rfind("@@", 0) != 0; ++i) {
            const std::string& l = d[i];
            if (l[0] == '+') {
                out.push_back(l.substr(1));
                ++changed;
            } else {
                EXPECT_LT(next, a.size());
                EXPECT_EQ(a[next], l.substr(1)) << diff;
                if (l[0] == ' ') {
                    out.push_back(a[next]);
                } else {
                    ++changed;
                }
                ++next;
                ++taken;
            }
        }
        EXPECT_EQ(taken, count) << h;
        --i;
    }
    while (next < a.size()) {
        out.push_back(a[next++]);
    }
    std::string text;
    for (const std::string& l : out) {
        text += l + "\n";
    }
    return text;
}

size_t Lcs(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::vector<std::vector<size_t>> t(a.size() + 1, std::vector<size_t>(b.size() + 1, 0));
    for (size_t i = a.size(); i-- > 0;) {
        for (size_t j = b.size(); j-- > 0;) {
            t[i][j] = a[i] == b[j] ? t[i + 1][j + 1] + 1 : std::max(t[i + 1][j], t[i][j + 1]);
        }
    }
    return t[0][0];
}

TEST(UnifiedDiff, AsDiffWritesIt) {
    EXPECT_EQ(UnifiedDiff("f", "a\n", "a\n"), "");
    EXPECT_EQ(UnifiedDiff("f", "1\n2\n3\n4\n5\n6\n7\n8\n", "1\n2\n3\n4\nfive\n6\n7\n8\n"),
              "--- f\n+++ f\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n");
    EXPECT_EQ(UnifiedDiff("f", "", "new\n"), "--- f\n+++ f\n@@ -0,0 +1 @@\n+new\n");
    EXPECT_EQ(UnifiedDiff("f", "a\nb", "a\nb\n"),
              "--- f\n+++ f\n@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n");
}

TEST(UnifiedDiff, RandomEditsApplyBackAndAreShortest) {
    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        std::vector<std::string> a, b;
        size_t n = rng() % 30;
        for (size_t i = 0; i < n; ++i) {
            a.push_back(std::string(1, static_cast<char>('a' + rng() % 4)));
        }
        b = a;
        for (int e = rng() % 6; e > 0; --e) {
            size_t at = b.empty() ? 0 : rng() % (b.size() + 1);
            if (rng() % 2 == 0 && at < b.size()) {
                b.erase(b.begin() + static_cast<long>(at));
            } else {
                b.insert(b.begin() + static_cast<long>(at),
                         std::string(1, static_cast<char>('a' + rng() % 5)));
            }
        }
        std::string before, after;
        for (const auto& l : a)
            before += l + "\n";
        for (const auto& l : b)
            after += l + "\n";
        std::string diff = UnifiedDiff("x", before, after);
        size_t changed = 0;
        EXPECT_EQ(Apply(before, diff, changed), after) << diff;
        EXPECT_EQ(changed, a.size() + b.size() - 2 * Lcs(a, b)) << diff;
    }
}

TEST(UnifiedDiff, LargeRewritesStayFast) {
    std::string before, after;
    for (int i = 0; i < 50000; ++i) {
        before += "line " + std::to_string(i) + "\n";
        after += "other " + std::to_string(i) + "\n";
    }
    std::string diff = UnifiedDiff("x", before, after);
    size_t changed = 0;
    EXPECT_EQ(Apply(before, diff, changed), after);
}

}  // namespace
}  // namespace rivel
