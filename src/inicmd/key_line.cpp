// Key-line commands and section completion.
#include "inicmd/key_line.h"

#include <algorithm>
#include <cstring>

#include "base/message_log.h"
#include "inicmd/ini_rewrite.h"
#include "text/ini_line.h"
#include "text/strings.h"

namespace rivel {

namespace {

bool IsListSeparator(char c) {
    return c == ',' || c == ';' || c == ' ';
}

bool IsAddKind(CommandKind k) {
    return k == CommandKind::AddKey || k == CommandKind::AddKeyAnyway ||
           k == CommandKind::AddKeyAnywayU || k == CommandKind::MergeKey ||
           k == CommandKind::MergeFKey || k == CommandKind::AddKeyNumeric;
}

// Raises the next number of the numeric adds of one key (as they spell it, by their kGroupAdds
// list) to follow n. Every add still pending takes the highest number met, so one value per key
// serves them all.
void UpdateCounts(const SectionCommands& commands, uint32_t adds, int32_t n) {
    int32_t& highest = commands.index->highestNumber[commands.index->table.Tag(adds)];
    highest = std::max(highest, n);
}
void UpdateCounts(const SectionCommands& commands, const CommandRecord& r, int32_t n) {
    UpdateCounts(commands, commands.index->AddsOf(commands, r), n);
}

// Whether record r passes the filter of its kind for a line with value v.
bool PassesFilter(RunContext& run, const RunOptions& options, const SectionCommands& commands,
                  CommandRecord& r, const std::string& k, const std::string& v,
                  const std::string& line) {
    const int verbose = options.VerboseMode;
    switch (r.Kind) {
        case CommandKind::AddKeyAnywayU:
        case CommandKind::DeleteKeyValU:
            LogMessage(run.log, verbose, 9, "AddkeyanywayU,Deletekeyvalu:", line);
            return v == r.Value;
        case CommandKind::AddKeyNumeric:
            UpdateCounts(commands, r, GetNum(run, options, k));
            return EqualsIgnoreCase(v, r.Value) && !r.Done;
        case CommandKind::AddKeyAnyway:
        case CommandKind::DeleteKeyVal:
        case CommandKind::CommentKeyVal:
            if (EqualsIgnoreCase(v, r.Value)) {
                LogMessage(run.log, verbose, 9, "Addkeyanyway,Deletekeyval,Commentkeyval:", line);
                return true;
            }
            return false;
        case CommandKind::DeleteKeyValNum:
            if (EqualsIgnoreCase(v, r.Value)) {
                LogMessage(run.log, verbose, 9, "DeleteKeyValNum:", line);
                return true;
            }
            return false;
        case CommandKind::UCommentKeyVal:
            if (EqualsIgnoreCase(v, r.Value)) {
                LogMessage(run.log, verbose, 9, "UCommentkeyval :", line);
                return true;
            }
            return false;
        default:
            return true;
    }
}

std::string MergeKey(RunContext& run, const RunOptions& options, const std::string& s,
                     CommandRecord& r, const std::string& o, const std::string& v) {
    LogMessage(run.log, options.VerboseMode, 9, "Mergekey:", o);
    const std::string& add = r.Value;
    bool separated = CharAt(add, 0) == ',' || CharAt(add, 0) == ';';
    std::string item = separated ? add.substr(1) : add;
    std::string result = o;
    if (FindInList(UpperCase(v), UpperCase(item)) == 0) {
        if (separated) {
            result = v.empty() ? MakeKeyLine(options, s, r, r.Key, item) : o + add;
        } else {
            result = v.empty() ? o + add : o + " " + add;
        }
    }
    r.Done = 1;
    return result;
}

std::string MergeFKey(RunContext& run, const RunOptions& options, const std::string& s,
                      CommandRecord& r, const std::string& o, const std::string& v) {
    LogMessage(run.log, options.VerboseMode, 9, "Mergefkey:", o);
    const std::string& add = r.Value;
    char last = add.empty() ? '\0' : add.back();
    bool separated = last == ',' || last == ';';
    std::string item = separated ? add.substr(0, add.size() - 1) : UpperCase(add);
    std::string result = o;
    if (FindInList(UpperCase(v), UpperCase(item)) == 0) {
        if (separated) {
            result = MakeKeyLine(options, s, r, r.Key, v.empty() ? item : add + v);
        } else {
            result = MakeKeyLine(options, s, r, r.Key, item + " " + v);
        }
    }
    r.Done = 1;
    return result;
}

std::string StripKey(RunContext& run, const RunOptions& options, const std::string& s,
                     CommandRecord& r, const std::string& o, const std::string& v) {
    LogMessage(run.log, options.VerboseMode, 9, "Strippekey :", o);
    const std::string& cut = r.Value;
    bool separated = CharAt(cut, 0) == ',' || CharAt(cut, 0) == ';';
    std::string item = separated ? cut.substr(1) : cut;
    size_t p = FindInList(UpperCase(v), UpperCase(item));
    if (p == 0) {
        return o;
    }
    // The item starts at index p - 1; up to two separators in front of it go with it.
    long long start = static_cast<long long>(p) - 1;
    std::string before = start >= 3 ? v.substr(0, static_cast<size_t>(start - 2)) : "";
    for (long long i : {start - 2, start - 1}) {
        if (i >= 0 && !IsListSeparator(v[static_cast<size_t>(i)])) {
            before += v[static_cast<size_t>(i)];
        }
    }
    size_t from = static_cast<size_t>(p == 1 ? start + static_cast<long long>(cut.size())
                                             : start - 1 + static_cast<long long>(cut.size()));
    std::string after = from < v.size() ? v.substr(from) : "";
    return MakeKeyLine(options, s, r, r.Key, before + after);
}

}  // namespace

std::string MakeKeyLine(const RunOptions& options, const std::string& section,
                        const CommandRecord& record, const std::string& key,
                        const std::string& value) {
    std::string line;
    if (options.CfgMode == 1 && !section.empty()) {
        line = "        ";
    }
    line += key;
    if (record.WithNoEqual) {
        line += ' ';
    } else if (options.CfgMode == 1) {
        line += ' ';
        line += options.Delimiter;
        line += ' ';
    } else {
        line += options.Delimiter;
    }
    line += value;
    return line;
}

size_t FindInList(const std::string& list, const std::string& item) {
    if (item.empty()) {
        return 0;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        if (i != 0 && !IsListSeparator(list[i])) {
            continue;
        }
        size_t j = i == 0 ? 0 : i + 1;
        while (j < list.size() && list[j] == ' ') {
            ++j;
        }
        if (list.compare(j, item.size(), item) == 0 && j + item.size() <= list.size()) {
            size_t end = j + item.size();
            if (end == list.size() || IsListSeparator(list[end])) {
                return j + 1;
            }
        }
    }
    return 0;
}

bool MayActOn(const RunOptions& options, const SectionCommands& commands, std::string_view line,
              size_t from) {
    if (commands.records.size() <= from) {
        return false;
    }
    if (options.CfgMode == 1) {
        return true;
    }
    // The key as SplitKeyValue cuts and trims it, and the hashes of its upper-case form and of
    // its stem (SNum: the key without its trailing digits and the blanks before them). Returning
    // true is always safe (the full pass decides), and is the answer for the rare lines this
    // pass does not cut as SplitKeyValue would: an empty or all-blank key, or a blank delimiter.
    const char delimiter = options.Delimiter;
    if (IsBlank(delimiter)) {
        return true;
    }
    const char* const text = line.data();
    const size_t begin = SkipBlanks(line, 0);
    const void* const found = std::memchr(text + begin, delimiter, line.size() - begin);
    size_t end = found != nullptr ? static_cast<const char*>(found) - text : line.size();
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    if (end == begin) {
        return true;
    }
    const std::string_view key = line.substr(begin, end - begin);
    const bool numbered = commands.hasNumbered;
    const size_t stemEnd = numbered ? begin + KeyStemView(key).size() : end;
    uint32_t hash = kKeyFilterStart;
    for (size_t i = begin; i < stemEnd; ++i) {
        hash = NextKeyFilterHash(hash, UpperChar(text[i]));
    }
    const uint32_t stemHash = hash;
    for (size_t i = stemEnd; i < end; ++i) {
        hash = NextKeyFilterHash(hash, UpperChar(text[i]));
    }
    const size_t n = stemEnd - begin;
    if (!commands.MayHold(hash) && (!numbered || !commands.MayHold(stemHash))) {
        return false;
    }
    // The lookups compare the key as spelled with the upper-case names: no copy is made.
    const Positions byKey = commands.ByKey(key, hash);
    if (!byKey.empty() && byKey.back() >= from) {
        return true;
    }
    return numbered && commands.HasNumberedKey(key.substr(0, n), stemHash);
}

std::string ProcessLine(RunContext& run, const RunOptions& options, CommandStore& store,
                        const SectionIndex& index, const std::string& section,
                        const std::string& line, size_t from) {
    return ProcessLine(run, options, store, index.CommandsOf(section), section, line, from);
}

// The positions in list a (ascending) from position on.
Positions::iterator From(Positions a, size_t position) {
    return std::lower_bound(a.begin(), a.end(), position);
}

// The first numbered command of the group from pos on that can act on a line with value v:
// one that acts on every value, or one of that value (a numbered add only while pending).
size_t NextNumbered(const CommandStore& store, const SectionCommands& commands, uint32_t group,
                    size_t pos, const std::string& v) {
    size_t best = commands.records.size();
    const Positions always = commands.index->GroupAlways(group);
    auto first = std::lower_bound(always.begin(), always.end(), pos);
    if (first != always.end()) {
        best = *first;
    }
    if (const Positions byValue = commands.index->GroupByValue(group, UpperCase(v));
        !byValue.empty()) {
        for (auto at = std::lower_bound(byValue.begin(), byValue.end(), pos);
             at != byValue.end() && *at < best; ++at) {
            const CommandRecord& r = store.CommandList[commands.records[*at]];
            if (r.Kind != CommandKind::AddKeyNumeric || !r.Done) {
                best = *at;
                break;
            }
        }
    }
    return best;
}

std::string ProcessLine(RunContext& run, const RunOptions& options, CommandStore& store,
                        const SectionCommands& commands, const std::string& section,
                        const std::string& line, size_t from) {
    const int verbose = options.VerboseMode;
    const Positions& records = commands.records;
    std::string l = line;
    size_t pos = from;
    // The line's key and value, kept from one command to the next so that their storage is
    // reused.
    std::string k, v;
    // Each command gets its chance at the line in list order; a removed line is finished.
    do {
        LogMessage(run.log, verbose, 9, "section ", section);
        SplitKeyValue(run, options, l, k, v);
        LogMessage(run.log, verbose, 9, "GetKey Val from: ", l);
        LogMessage(run.log, verbose, 9, "    --> ActKey : ", k);
        LogMessage(run.log, verbose, 9, "    --> ActVal : ", v);
        // The commands of this key, and the numbered-key commands of its stem (key<digits>):
        // the first one from pos on that passes its filter applies. Of the numbered ones only
        // those that can pass are looked at (an index by value), so a line costs the logarithm
        // of their number, not their number.
        const std::string upperKey = UpperCase(k);
        uint32_t group = ListTable::kNone;
        std::string stem;
        if (commands.hasNumbered) {
            stem = SNum(run, options, k);
            group = commands.NumberedGroup(stem);
        }
        const bool inGroup = group != ListTable::kNone;
        // When the key is its own stem its numbered commands come through the group alone.
        const Positions exact = inGroup && stem == upperKey ? commands.index->GroupPlain(group)
                                                            : commands.ByKey(upperKey);
        size_t candidate = inGroup ? NextNumbered(store, commands, group, pos, v) : records.size();
        CommandRecord* match = nullptr;
        size_t start = pos;
        for (auto a = From(exact, pos), aEnd = From(exact, candidate); a != aEnd; ++a) {
            CommandRecord& r = store.CommandList[records[*a]];
            if (PassesFilter(run, options, commands, r, k, v, l)) {
                match = &r;
                pos = *a;
                break;
            }
        }
        if (match == nullptr && candidate < records.size()) {
            CommandRecord& r = store.CommandList[records[candidate]];
            PassesFilter(run, options, commands, r, k, v, l);
            match = &r;
            pos = candidate;
        }
        if (inGroup) {
            // Every numbered add met on the way (from start up to the match) has seen the
            // line's number, as if each had been tried.
            size_t last = match != nullptr ? pos : records.size() - 1;
            int32_t number = GetNum(run, options, k);
            for (uint32_t adds : commands.index->GroupSpellings(group)) {
                const Positions positions = commands.index->table.List(adds);
                auto first = std::lower_bound(positions.begin(), positions.end(), start);
                if (first != positions.end() && *first <= last) {
                    UpdateCounts(commands, adds, number);
                }
            }
        }
        if (match == nullptr) {
            break;
        }
        ++pos;
        CommandRecord& r = *match;
        // The line before this command; l gets the line after it.
        std::string o;
        o.swap(l);
        switch (r.Kind) {
            case CommandKind::DeleteKey:
            case CommandKind::DeleteKeyVal:
            case CommandKind::DeleteKeyValNum:
            case CommandKind::DeleteKeyNum:
            case CommandKind::DeleteKeyValU:
                l.clear();
                LogMessage(run.log, verbose, 9, "Deleting line: ", o);
                break;
            case CommandKind::CommentKey:
            case CommandKind::CommentKeyVal:
                l = ";" + o;
                break;
            case CommandKind::AddKeyNumeric:
                LogMessage(run.log, verbose, 9, "Addkeynumeric:", o);
                r.Done = 1;
                UpdateCounts(commands, r, GetNum(run, options, k));
                l.swap(o);
                break;
            case CommandKind::AddKey:
            case CommandKind::AddKeyAnyway:
            case CommandKind::AddKeyAnywayU:
                LogMessage(run.log, verbose, 9, "Addkey(Anyway(u)) :", o);
                if (verbose >= 9) {  // the label is made only when it is written
                    LogMessage(run.log, verbose, 9,
                               (r.DoAllways ? "Replacing <" : "NOT Replacing <") + k + "=" + v +
                                   "> with : ",
                               r.Value);
                }
                l = r.DoAllways ? MakeKeyLine(options, section, r, r.Key, r.Value)
                                : MakeKeyLine(options, section, r, k, v);
                r.Done = 1;
                break;
            case CommandKind::MergeKey:
                l = MergeKey(run, options, section, r, o, v);
                break;
            case CommandKind::MergeFKey:
                l = MergeFKey(run, options, section, r, o, v);
                break;
            case CommandKind::StripKey:
                l = StripKey(run, options, section, r, o, v);
                break;
            default:
                l.swap(o);
                break;
        }
        // The next round would split the line and look its key up again only to find nothing:
        // the quick look tells that first.
    } while (pos < records.size() && !l.empty() &&
             (verbose >= 9 || MayActOn(options, commands, l, pos)));
    LogMessage(run.log, verbose, 9, "ProcessLine returns: ", l);
    return l;
}

namespace {

// The number a numbered add counts from: the highest its key's adds have met.
int32_t HighestNumber(const SectionIndex& index, const SectionCommands& commands,
                      const CommandRecord& r) {
    return std::max(index.highestNumber[index.table.Tag(index.AddsOf(commands, r))], r.Count);
}

}  // namespace

bool FlushSection(RunContext& run, const RunOptions& options, CommandStore& store,
                  const SectionIndex& index, const SectionCommands& commands, LineWriter& output,
                  const std::string& section, bool deleted, bool commented, size_t from) {
    const int verbose = options.VerboseMode;
    LogMessage(run.log, verbose, 9, "FlushSection : ", section);
    const Positions& records = commands.records;
    bool wrote = false;
    for (size_t pos = from; pos < records.size(); ++pos) {
        CommandRecord& r = store.CommandList[records[pos]];
        if (r.Done || !IsAddKind(r.Kind)) {
            continue;
        }
        if (r.Kind == CommandKind::AddKeyNumeric &&
            HighestNumber(index, commands, r) == INT32_MAX) {
            // No number lies above it: the add would write a key the section already has.
            LogMessage(run.log, verbose, 1, "No number left for ADDKeyNumeric : ", r.Key);
            NoteFailure(run, RunFailure::CommandError);
            r.Done = 1;
            continue;
        }
        if (deleted || commented) {
            store.IniChanged = true;
            // With /k the section stands where it was: an empty line parts it from the text
            // before it only where none does already, as for a new section.
            if (options.KeepLayout != 1 || output.EndsInText()) {
                output.WriteLine("");
            }
            output.WriteLine(r.Section);
            LogMessage(run.log, verbose, 3,
                       deleted ? "ADDkeys after DELeteSection found"
                               : "ADDkeys after COMmentSection for found",
                       r.Section);
            deleted = commented = false;
        }
        store.IniChanged = true;
        std::string n;
        const char* label = "AddKey : ";
        switch (r.Kind) {
            case CommandKind::MergeKey: {
                bool separated = CharAt(r.Value, 0) == ',' || CharAt(r.Value, 0) == ';';
                n = MakeKeyLine(options, section, r, r.Key,
                                separated ? r.Value.substr(1) : r.Value);
                label = "MergeKey : ";
                break;
            }
            case CommandKind::MergeFKey: {
                char last = r.Value.empty() ? '\0' : r.Value.back();
                n = MakeKeyLine(options, section, r, r.Key,
                                last == ',' || last == ';' ? r.Value.substr(0, r.Value.size() - 1)
                                                           : UpperCase(r.Value));
                label = "MergeFKey : ";
                break;
            }
            case CommandKind::AddKeyNumeric: {
                const uint32_t adds = index.AddsOf(commands, r);
                const int32_t number = HighestNumber(index, commands, r) + 1;
                n = MakeKeyLine(options, section, r, r.Key + std::to_string(number), r.Value);
                r.Done = 1;
                UpdateCounts(commands, adds, number);
                label = "ADDKeyNumeric : ";
                break;
            }
            default:
                n = MakeKeyLine(options, section, r, r.Key, r.Value);
                break;
        }
        r.Done = 1;
        // A new key meets only the commands after the one that made it.
        if (verbose >= 9 || MayActOn(options, commands, n, pos + 1)) {
            n = ProcessLine(run, options, store, commands, section, n, pos + 1);
        }
        output.WriteLine(n);
        wrote = true;
        LogMessage(run.log, verbose, 6, label, n);
    }
    return wrote;
}

}  // namespace rivel
