// Unified diffs: the shortest edit script between the lines of two texts (Myers' greedy
// algorithm, after the common head and tail are set aside), printed in hunks.
#include "text/unified_diff.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace rivel {

namespace {

constexpr size_t kContext = 3;
// Beyond this many differing lines the middle is shown as one block removed and one added:
// the search for the shortest script would cost too much for what a preview needs.
constexpr long kMaxEdits = 4000;

// The lines of a text without their line ends. A last line without one keeps a "\n" at its end
// instead (no other line can hold one), so that it differs from the same text with a line end.
struct Lines {
    std::vector<std::string_view> text;
    std::string unendedLast;
};

void SplitLines(const std::string& s, Lines& lines) {
    size_t start = 0;
    while (start < s.size()) {
        size_t end = s.find('\n', start);
        if (end == std::string::npos) {
            lines.unendedLast.assign(s, start, std::string::npos);
            lines.unendedLast.push_back('\n');
            lines.text.emplace_back(lines.unendedLast);
            break;
        }
        lines.text.emplace_back(s.data() + start, end - start);
        start = end + 1;
    }
}

enum class Op : char { Same = ' ', Removed = '-', Added = '+' };

struct Edit {
    Op op;
    size_t a;  // line index in before (Same, Removed)
    size_t b;  // line index in after (Same, Added)
};

// The edit script of a[a0, a1) against b[b0, b1).
void MiddleScript(const std::vector<std::string_view>& a, size_t a0, size_t a1,
                  const std::vector<std::string_view>& b, size_t b0, size_t b1,
                  std::vector<Edit>& script) {
    const long n = static_cast<long>(a1 - a0);
    const long m = static_cast<long>(b1 - b0);
    const long max = std::min(n + m, kMaxEdits);
    const long offset = max + 1;
    std::vector<long> v(static_cast<size_t>(2 * max + 3), 0);
    std::vector<std::vector<long>> trace;
    long found = -1;
    for (long d = 0; d <= max && found < 0; ++d) {
        trace.push_back(v);
        for (long k = -d; k <= d; k += 2) {
            long x;
            if (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1])) {
                x = v[offset + k + 1];
            } else {
                x = v[offset + k - 1] + 1;
            }
            long y = x - k;
            while (x < n && y < m && a[a0 + x] == b[b0 + y]) {
                ++x;
                ++y;
            }
            v[offset + k] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    std::vector<Edit> reversed;
    if (found < 0) {
        for (long i = m - 1; i >= 0; --i) {
            reversed.push_back({Op::Added, a0, b0 + i});
        }
        for (long i = n - 1; i >= 0; --i) {
            reversed.push_back({Op::Removed, a0 + i, b0});
        }
    } else {
        long x = n, y = m;
        for (long d = found; d > 0; --d) {
            const std::vector<long>& pv = trace[d];
            long k = x - y;
            long prevK =
                (k == -d || (k != d && pv[offset + k - 1] < pv[offset + k + 1])) ? k + 1 : k - 1;
            long prevX = pv[offset + prevK];
            long prevY = prevX - prevK;
            while (x > prevX && y > prevY) {
                --x;
                --y;
                reversed.push_back({Op::Same, a0 + x, b0 + y});
            }
            if (x == prevX) {
                reversed.push_back({Op::Added, a0 + x, b0 + prevY});
            } else {
                reversed.push_back({Op::Removed, a0 + prevX, b0 + y});
            }
            x = prevX;
            y = prevY;
        }
        while (x > 0 && y > 0) {
            --x;
            --y;
            reversed.push_back({Op::Same, a0 + x, b0 + y});
        }
    }
    script.insert(script.end(), reversed.rbegin(), reversed.rend());
}

std::string Range(size_t start, size_t count) {
    // As diff -u: the first line number (the line before, for an empty range), then the count
    // unless it is 1.
    std::string text = std::to_string(count == 0 ? start : start + 1);
    if (count != 1) {
        text += ',';
        text += std::to_string(count);
    }
    return text;
}

}  // namespace

std::string UnifiedDiff(const std::string& name, const std::string& before,
                        const std::string& after) {
    if (before == after) {
        return "";
    }
    Lines a, b;
    SplitLines(before, a);
    SplitLines(after, b);
    auto same = [&](size_t i, size_t j) { return a.text[i] == b.text[j]; };
    size_t head = 0;
    while (head < a.text.size() && head < b.text.size() && same(head, head)) {
        ++head;
    }
    size_t tail = 0;
    while (tail < a.text.size() - head && tail < b.text.size() - head &&
           same(a.text.size() - 1 - tail, b.text.size() - 1 - tail)) {
        ++tail;
    }
    std::vector<Edit> script;
    for (size_t i = 0; i < head; ++i) {
        script.push_back({Op::Same, i, i});
    }
    MiddleScript(a.text, head, a.text.size() - tail, b.text, head, b.text.size() - tail, script);
    for (size_t i = 0; i < tail; ++i) {
        script.push_back({Op::Same, a.text.size() - tail + i, b.text.size() - tail + i});
    }

    std::string out = "--- ";
    out += name;
    out += "\n+++ ";
    out += name;
    out += '\n';
    size_t i = 0;
    while (i < script.size()) {
        while (i < script.size() && script[i].op == Op::Same) {
            ++i;
        }
        if (i == script.size()) {
            break;
        }
        // A hunk: from kContext lines before this change up to kContext lines after the last
        // change that is no more than 2 * kContext unchanged lines from the one before it.
        size_t first = i >= kContext ? i - kContext : 0;
        size_t last = i;
        size_t j = i;
        while (j < script.size()) {
            if (script[j].op != Op::Same) {
                last = j;
                ++j;
                continue;
            }
            size_t run = j;
            while (run < script.size() && script[run].op == Op::Same) {
                ++run;
            }
            if (run == script.size() || run - j > 2 * kContext) {
                break;
            }
            j = run;
        }
        size_t end = std::min(script.size(), last + 1 + kContext);
        size_t aStart = 0, bStart = 0, aCount = 0, bCount = 0;
        bool aSet = false, bSet = false;
        std::string body;
        for (size_t e = first; e < end; ++e) {
            const Edit& edit = script[e];
            std::string_view text;
            if (edit.op != Op::Added) {
                if (!aSet) {
                    aStart = edit.a;
                    aSet = true;
                }
                ++aCount;
                text = a.text[edit.a];
            }
            if (edit.op != Op::Removed) {
                if (!bSet) {
                    bStart = edit.b;
                    bSet = true;
                }
                ++bCount;
                text = b.text[edit.b];
            }
            body += static_cast<char>(edit.op);
            body += text;
            if (text.empty() || text.back() != '\n') {
                body += '\n';
            } else {
                body += "\\ No newline at end of file\n";
            }
        }
        if (!aSet) {
            aStart = script[first].a;
        }
        if (!bSet) {
            bStart = script[first].b;
        }
        out += "@@ -";
        out += Range(aStart, aCount);
        out += " +";
        out += Range(bStart, bCount);
        out += " @@\n";
        out += body;
        i = end;
    }
    return out;
}

}  // namespace rivel
