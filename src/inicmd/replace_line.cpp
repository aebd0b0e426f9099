// The replace commands of a rewrite pass: the substitution of one text for another in a line.
#include "inicmd/replace_line.h"

#include <algorithm>

#include "base/message_log.h"
#include "text/strings.h"

namespace rivel {

namespace {

// The first position from `from` on where upperNeedle (upper case) occurs in text, ignoring
// case; npos when nowhere.
size_t FindIgnoringCase(std::string_view text, std::string_view upperNeedle, size_t from) {
    const size_t n = upperNeedle.size();
    if (text.size() < n || from > text.size() - n) {
        return std::string_view::npos;
    }
    const size_t last = text.size() - n;
    const char upper = upperNeedle[0];
    const char lower =
        upper >= 'A' && upper <= 'Z' ? static_cast<char>(upper + ('a' - 'A')) : upper;
    // The candidates are where the first character stands, in either case: each spelling is
    // looked for again only once the search has passed its last place.
    size_t a = text.find(upper, from);
    size_t b = lower == upper ? std::string_view::npos : text.find(lower, from);
    while (true) {
        const size_t at = std::min(a, b);
        if (at > last) {
            return std::string_view::npos;
        }
        size_t i = 1;
        while (i < n && UpperChar(text[at + i]) == upperNeedle[i]) {
            ++i;
        }
        if (i == n) {
            return at;
        }
        if (a == at) {
            a = text.find(upper, at + 1);
        } else {
            b = text.find(lower, at + 1);
        }
    }
}

// A replacement whose text keeps feeding the search could run for ever; past this many
// replacements of one command in one line the command stops for that line.
size_t ReplacementLimit(size_t lineLength) {
    return 10000 + 4 * lineLength;
}

// Replaces the occurrences of r.Txt1 in l, left to right, each search going on where a new
// occurrence could begin: when the replacement cannot form the search text again, that is up to
// search length - 1 characters before the inserted text (so a replacement may make a new
// occurrence with what stood before it), otherwise right after it. The occurrence that ends
// first is taken first: between occurrences the line is copied in one piece, and after an
// insertion only the inserted text, with search length - 1 characters either side, is searched
// before the search jumps on in the line. So a long line costs its length, not its length times
// the number of replacements. False when l holds no occurrence: nothing is copied then.
// Otherwise the new text is in `out`.
bool ApplyReplace(RunContext& run, const RunOptions& options, ReplaceRecord& r, std::string_view l,
                  std::string& out, std::string& window) {
    if (r.Txt1.empty()) {
        return false;
    }
    const bool exact = r.MatchCase != 0;
    if (!r.Prepared) {
        r.UpperTxt1 = UpperCase(r.Txt1);
        // When the replacement holds the search text, searching again from the start never
        // ends: such a command replaces each occurrence once, left to right.
        r.FeedsItself = exact ? r.Txt2.find(r.Txt1) != std::string::npos
                              : UpperCase(r.Txt2).find(r.UpperTxt1) != std::string::npos;
        r.Prepared = true;
    }
    const std::string& search = exact ? r.Txt1 : r.UpperTxt1;
    auto find = [&](std::string_view text, size_t from) {
        return exact ? text.find(search, from) : FindIgnoringCase(text, search, from);
    };
    size_t next = find(l, 0);
    if (next == std::string::npos) {
        return false;
    }
    const size_t limit = ReplacementLimit(l.size());
    const size_t n = search.size();
    const char first = search[0];
    const char otherFirst =
        !exact && first >= 'A' && first <= 'Z' ? static_cast<char>(first + ('a' - 'A')) : first;
    out.clear();
    out.reserve(l.size() + r.Txt2.size());
    // The text is out followed by l[linePos..]. No occurrence begins in out before `from`, and
    // none begins in l from linePos on before `next` (npos: not searched yet). An occurrence
    // that begins in out[from..] may go on into the line: that part is searched together with
    // the next n - 1 characters of the line.
    size_t linePos = 0, from = 0, count = 0;
    while (true) {
        size_t at = std::string::npos;  // where the occurrence begins in out
        size_t inLine = 0;              // how many of its characters are still in the line
        // Where the first character of the search text is not in out[from..], no occurrence
        // begins there (most often), and no window is needed.
        if (from < out.size() &&
            (out.find(first, from) != std::string::npos ||
             (otherFirst != first && out.find(otherFirst, from) != std::string::npos))) {
            window.assign(out, from, std::string::npos);
            window.append(l.substr(linePos, n - 1));
            const size_t w = find(window, 0);
            if (w != std::string::npos && from + w < out.size()) {
                at = from + w;
                inLine = at + n - std::min(at + n, out.size());
            }
        }
        from = std::max(from, out.size());
        if (at == std::string::npos) {
            next = next != std::string::npos ? next : find(l, linePos);
            if (next == std::string::npos) {
                break;
            }
        }
        if (count == limit) {
            // This occurrence stays, and so does the rest of the line.
            LogMessage(run.log, options.VerboseMode, 3,
                       "Replace stopped after too many replacements: ", r.Txt1);
            break;
        }
        if (at == std::string::npos) {
            // The line up to the occurrence, then the replacement in its place.
            out.append(l.substr(linePos, next - linePos));
            at = out.size();
            out.append(r.Txt2);
            linePos = next + n;
            next = std::string::npos;
        } else {
            // The occurrence gives way to the replacement; what followed it in out stays.
            out.replace(at, n - inLine, r.Txt2);
            linePos += inLine;
        }
        ++count;
        // The inserted text is searched again, together with what stood before it, unless it
        // holds the search text itself.
        from = r.FeedsItself ? at + r.Txt2.size() : at - std::min(at, n - 1);
    }
    out.append(l.substr(linePos));
    if (r.FeedsItself && !r.LoopReported) {
        r.LoopReported = true;
        LogMessage(run.log, options.VerboseMode, 3,
                   "Replace text contains search text, once each: ", r.Txt1);
    }
    return true;
}

}  // namespace

const std::string& ReplaceLine(RunContext& run, const RunOptions& options, CommandStore& store,
                               const SectionIndex& index, Positions currentReplaces,
                               const std::string& line, std::string& l, ReplaceScratch& scratch) {
    size_t trimmed = line.size();
    while (trimmed > 0 && IsBlank(line[trimmed - 1])) {
        --trimmed;
    }
    // The text so far: the line itself until a replace command changes it, then l. Most lines
    // are never copied.
    std::string_view text(line.data(), trimmed);
    bool replaced = false;
    if (!store.ReplaceList.empty()) {
        // A header (or commented header) line belongs to the section it names.
        const bool header =
            CharAt(text, 0) == '[' || (CharAt(text, 0) == ';' && CharAt(text, 1) == '[');
        const Positions own =
            !header ? currentReplaces
                    : index.ReplacesOf(UpperCase(text.substr(text[0] == ';' ? 1 : 0)));
        // The records for every line and those for this section, merged back into list order.
        const std::vector<uint32_t>& all = index.replacesEverywhere;
        size_t a = 0, b = 0;
        while (a < all.size() || b < own.size()) {
            size_t next;
            if (b >= own.size() || (a < all.size() && all[a] < own[b])) {
                next = all[a++];
            } else {
                next = own[b++];
            }
            if (ApplyReplace(run, options, store.ReplaceList[next], text, scratch.out,
                             scratch.window)) {
                l.swap(scratch.out);
                text = l;
                replaced = true;
            }
        }
    }
    if (!replaced) {
        if (trimmed == line.size()) {
            return line;
        }
        l.assign(text);
    }
    // With /k the trailing blanks stay in the file when nothing else changes, so their removal
    // alone is no change.
    const bool changed = options.KeepLayout == 1
                             ? replaced && (l.size() != trimmed || line.compare(0, trimmed, l) != 0)
                             : l != line;
    if (changed) {
        store.IniChanged = true;
        LogMessage(run.log, options.VerboseMode, 6, "Replacing: ", line);
        LogMessage(run.log, options.VerboseMode, 6, "    with : ", l);
    }
    return l;
}

}  // namespace rivel
