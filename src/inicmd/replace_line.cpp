// The replace commands of a rewrite pass: the substitution of one text for another in a line.
#include "inicmd/replace_line.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/message_log.h"
#include "text/strings.h"

namespace rivel {

namespace {

constexpr uint64_t kOnes = 0x0101010101010101u;
constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
constexpr uint64_t kHigh = 0x8080808080808080u;

// Eight bytes from p, the first in the low byte.
inline uint64_t Load8(const char* p) {
    uint64_t w = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&w, p, 8);
    } else {
        for (int i = 7; i >= 0; --i) {
            w = (w << 8) | static_cast<unsigned char>(p[i]);
        }
    }
    return w;
}

// The high bit of each byte of w that is zero (exactly those: no carry crosses a byte).
inline uint64_t ZeroBytes(uint64_t w) {
    return ~(((w & kLow7) + kLow7) | w) & kHigh;
}

// Nonzero when w has a zero byte; the lowest bit set is the high bit of the first one (higher
// bits may be set for bytes that are not zero).
inline uint64_t FirstZeroByte(uint64_t w) {
    return (w - kOnes) & ~w & kHigh;
}

// A mask of the low k bytes of a word (k <= 8).
inline uint64_t LowBytes(size_t k) {
    return k >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * k)) - 1;
}

// The most chunks PrepareSearch makes for a search text of that size.
size_t MostChunks(size_t size) {
    return size / 8 + 2;
}

// Makes the chunks of s from its search text. Ignoring case, a byte matches an upper-case
// letter when it is that letter in either case: the two differ only in bit 0x20, and no other
// byte gives the same value with that bit set. Other bytes of the text match only themselves.
void PrepareSearch(ReplaceScratch& scratch, ReplaceSearch& s, std::string_view search, bool exact) {
    const ptrdiff_t n = static_cast<ptrdiff_t>(search.size());
    auto fold = [&](ptrdiff_t i) -> uint64_t {
        return !exact && search[i] >= 'A' && search[i] <= 'Z' ? 0x20 : 0;
    };
    auto want = [&](ptrdiff_t i) -> uint64_t {
        return static_cast<unsigned char>(search[i]) | fold(i);
    };
    // The 8 bytes of the text from offset; those outside it are not compared.
    auto chunk = [&](ptrdiff_t offset) {
        ReplaceChunk c;
        c.offset = offset;
        for (ptrdiff_t j = 0; j < 8; ++j) {
            if (offset + j >= 0 && offset + j < n) {
                c.want |= want(offset + j) << (8 * j);
                c.fold |= fold(offset + j) << (8 * j);
                c.keep |= uint64_t{0xFF} << (8 * j);
            }
        }
        scratch.chunks.push_back(c);
    };
    s.firstChunk = static_cast<uint32_t>(scratch.chunks.size());
    if (n >= 8) {
        for (ptrdiff_t offset = 0; offset + 8 <= n; offset += 8) {
            chunk(offset);
        }
        if (n % 8 != 0) {
            chunk(n - 8);
        }
    } else {
        chunk(0);
        chunk(n - 8);
    }
    s.chunkCount = static_cast<uint32_t>(scratch.chunks.size()) - s.firstChunk;
    s.size = search.size();
    s.firstWant = want(0) * kOnes;
    s.firstFold = fold(0) * kOnes;
    s.ready = true;
}

// Whether an occurrence of search can overlap the replacement `with` without lying inside it:
// beginning before it (its end then agrees with the start of the replacement) or in it (its
// start then agrees with the end of the replacement). When not, what stands around an inserted
// replacement need not be searched again. A pair too long to check counts as one that can.
bool CanReform(std::string_view search, std::string_view with, bool exact) {
    const size_t n = search.size();
    if (with.empty() || with.size() > (size_t{1} << 20) / n) {
        return true;
    }
    auto same = [&](std::string_view a, std::string_view b) {
        for (size_t i = 0; i < a.size(); ++i) {
            if ((exact ? a[i] : UpperChar(a[i])) != b[i]) {
                return false;
            }
        }
        return true;
    };
    for (size_t k = 1; k < n; ++k) {
        const size_t m = std::min(with.size(), n - k);
        if (same(with.substr(0, m), search.substr(k, m))) {
            return true;
        }
    }
    for (size_t j = with.size() - std::min(with.size(), n - 1); j < with.size(); ++j) {
        if (same(with.substr(j), search.substr(0, with.size() - j))) {
            return true;
        }
    }
    return false;
}

// Whether the search text of s occurs in text[at..] (at + size <= text size).
inline bool MatchesAt(const ReplaceScratch& scratch, const ReplaceSearch& s, std::string_view text,
                      size_t at) {
    const ReplaceChunk* c = scratch.chunks.data() + s.firstChunk;
    const char* p = text.data() + at;
    if (s.size >= 8) {
        for (uint32_t k = 0; k < s.chunkCount; ++k) {
            if (((Load8(p + c[k].offset) | c[k].fold) & c[k].keep) != c[k].want) {
                return false;
            }
        }
        return true;
    }
    // A short text is compared in the word from its start, or else in the one up to its end,
    // never reading outside the line.
    if (text.size() - at >= 8) {
        return ((Load8(p) | c[0].fold) & c[0].keep) == c[0].want;
    }
    if (at + s.size >= 8) {
        return ((Load8(p + s.size - 8) | c[1].fold) & c[1].keep) == c[1].want;
    }
    for (size_t i = 0; i < s.size; ++i) {
        const unsigned fold = static_cast<unsigned>(c[0].fold >> (8 * i)) & 0xFF;
        const unsigned want = static_cast<unsigned>(c[0].want >> (8 * i)) & 0xFF;
        if ((static_cast<unsigned char>(p[i]) | fold) != want) {
            return false;
        }
    }
    return true;
}

// The first position in [from, last] (last < text size) where the first character of the
// search text of s stands, by the comparison in force; npos when none. Both spellings of a
// letter are looked for in one pass, eight bytes at a time.
inline size_t FindFirstChar(const ReplaceSearch& s, std::string_view text, size_t from,
                            size_t last) {
    const char* d = text.data();
    const uint64_t fold = s.firstFold, want = s.firstWant;
    auto first = [fold, want](uint64_t word) { return ZeroBytes((word | fold) ^ want); };
    if (from > last) {
        return std::string_view::npos;
    }
    // Whole words inside [from, last].
    size_t p = from;
    for (const size_t end = last + 1; end - p >= 8; p += 8) {
        if (const uint64_t bits = FirstZeroByte((Load8(d + p) | fold) ^ want); bits != 0) {
            return p + static_cast<size_t>(std::countr_zero(bits)) / 8;
        }
    }
    if (p > last) {
        return std::string_view::npos;
    }
    // The rest, fewer than 8 places: in the word from p, or else in the last word of the
    // text.
    uint64_t bits;
    size_t base;
    if (text.size() - p >= 8) {
        base = p;
        bits = first(Load8(d + p)) & LowBytes(last - p + 1);
    } else if (text.size() >= 8) {
        base = text.size() - 8;
        const size_t skip = 8 * (p - base);
        bits = first(Load8(d + base)) >> skip << skip;
        bits &= LowBytes(last + 1 - base);
    } else {
        for (; p <= last; ++p) {
            if ((static_cast<unsigned char>(d[p]) | (s.firstFold & 0xFF)) == (s.firstWant & 0xFF)) {
                return p;
            }
        }
        return std::string_view::npos;
    }
    return bits != 0 ? base + static_cast<size_t>(std::countr_zero(bits)) / 8
                     : std::string_view::npos;
}

// The first position from `from` on where the search text of s occurs in text; npos when
// nowhere.
inline size_t Find(const ReplaceScratch& scratch, const ReplaceSearch& s, std::string_view text,
                   size_t from) {
    if (text.size() < s.size || from > text.size() - s.size) {
        return std::string_view::npos;
    }
    const size_t last = text.size() - s.size;
    while (true) {
        const size_t at = FindFirstChar(s, text, from, last);
        if (at == std::string_view::npos || MatchesAt(scratch, s, text, at)) {
            return at;
        }
        from = at + 1;
    }
}

// A replacement whose text keeps feeding the search could run for ever; past this many
// replacements of one command in one line the command stops for that line.
size_t ReplacementLimit(size_t lineLength) {
    return 10000 + 4 * lineLength;
}

// Replaces the occurrences of r.Txt1 in l, left to right, each search going on where a new
// occurrence could begin: up to search length - 1 characters before the inserted text (so a
// replacement may make a new occurrence with what stood before it), or right after it when the
// replacement holds the search text or cannot form it with what stands around it. The
// occurrence that ends first is taken first: between occurrences the line is copied in one
// piece, and after an insertion only the inserted text, with search length - 1 characters either
// side, is searched before the search jumps on in the line. So a long line costs its length, not
// its length times the number of replacements. `next` is where the first occurrence in l
// begins; the new text is left in `out`.
void ApplyReplace(RunContext& run, const RunOptions& options, ReplaceSearch& s,
                  ReplaceScratch& scratch, std::string_view l, size_t next) {
    ReplaceRecord& r = *s.record;
    auto find = [&](std::string_view text, size_t from) { return Find(scratch, s, text, from); };
    std::string& out = scratch.out;
    std::string& window = scratch.window;
    const size_t limit = ReplacementLimit(l.size());
    const size_t n = s.size;
    // out keeps its storage from line to line, so most lines need no allocation.
    out.clear();
    if (s.feedsItself || !s.reforms) {
        // Nothing around an inserted text is searched again: each search goes on in the line
        // after the occurrence it found.
        size_t linePos = 0;
        for (size_t count = 0; next != std::string::npos; ++count) {
            if (count == limit) {
                LogMessage(run.log, options.VerboseMode, 3,
                           "Replace stopped after too many replacements: ", r.Txt1);
                break;
            }
            out.append(l.data() + linePos, next - linePos);
            out.append(r.Txt2);
            linePos = next + n;
            next = find(l, linePos);
        }
        out.append(l.data() + linePos, l.size() - linePos);
        if (s.feedsItself && !r.LoopReported) {
            r.LoopReported = true;
            LogMessage(run.log, options.VerboseMode, 3,
                       "Replace text contains search text, once each: ", r.Txt1);
        }
        return;
    }
    // The text is out followed by l[linePos..]. No occurrence begins in out before `from`, and
    // none begins in l from linePos on before `next` (npos: not searched yet). An occurrence
    // that begins in out[from..] may go on into the line: that part is searched together with
    // the next n - 1 characters of the line.
    size_t linePos = 0, from = 0, count = 0;
    while (true) {
        size_t at = std::string::npos;  // where the occurrence begins in out
        size_t inLine = 0;              // how many of its characters are still in the line
        // Where the first character of the search text is not in out[from..], no occurrence
        // begins there (most often), and no window is needed; otherwise the window starts at
        // its first place.
        const size_t c =
            from < out.size() ? FindFirstChar(s, out, from, out.size() - 1) : std::string::npos;
        if (c != std::string::npos) {
            window.assign(out, c, std::string::npos);
            window.append(l.substr(linePos, n - 1));
            const size_t w = find(window, 0);
            if (w != std::string::npos && c + w < out.size()) {
                at = c + w;
                inLine = at + n - std::min(at + n, out.size());
            }
        }
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
        // The inserted text is searched again, together with what stood before it.
        from = at - std::min(at, n - 1);
    }
    out.append(l.substr(linePos));
}

// Makes s ready at the first use of its record; an empty search text stays with size 0.
void Prepare(ReplaceScratch& scratch, ReplaceSearch& s) {
    ReplaceRecord& r = *s.record;
    s.ready = true;
    if (r.Txt1.empty()) {
        return;
    }
    const bool exact = r.MatchCase != 0;
    const std::string search = exact ? r.Txt1 : UpperCase(r.Txt1);
    s.feedsItself = exact ? r.Txt2.find(search) != std::string::npos
                          : UpperCase(r.Txt2).find(search) != std::string::npos;
    PrepareSearch(scratch, s, search, exact);
    s.reforms = CanReform(search, r.Txt2, exact);
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
        if (scratch.searches.empty()) {
            // The list stays as it is during the pass. Reached through a vector: indexing the
            // list itself costs more than the search on a short line.
            scratch.searches.reserve(store.ReplaceList.size());
            size_t chunks = 0;
            for (ReplaceRecord& r : store.ReplaceList) {
                scratch.searches.push_back(ReplaceSearch{.record = &r});
                chunks += MostChunks(r.Txt1.size());
            }
            scratch.chunks.reserve(chunks);
        }
        // A line is searched here, without a call; only one that holds an occurrence goes on to
        // ApplyReplace.
        auto apply = [&](uint32_t position) {
            ReplaceSearch& s = scratch.searches[position];
            if (!s.ready) {
                Prepare(scratch, s);
            }
            if (s.size == 0) {
                return;
            }
            const size_t next = Find(scratch, s, text, 0);
            if (next != std::string::npos) {
                ApplyReplace(run, options, s, scratch, text, next);
                l.swap(scratch.out);
                text = l;
                replaced = true;
            }
        };
        // The records for every line and those for this section, merged back into list order.
        const std::vector<uint32_t>& all = index.replacesEverywhere;
        if (all.empty()) {
            for (const uint32_t position : own) {
                apply(position);
            }
        } else {
            size_t a = 0, b = 0;
            while (a < all.size() || b < own.size()) {
                if (b >= own.size() || (a < all.size() && all[a] < own[b])) {
                    apply(all[a++]);
                } else {
                    apply(own[b++]);
                }
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
