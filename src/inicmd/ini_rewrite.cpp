// The INI rewrite pass.
#include "inicmd/ini_rewrite.h"

#include "base/message_log.h"
#include "inicmd/key_line.h"
#include "platform/files.h"
#include "text/ini_line.h"
#include "text/line_io.h"
#include "text/strings.h"

namespace rivel {

namespace {

// A replacement whose text keeps feeding the search could run for ever; past this many
// replacements of one command in one line the command stops for that line.
size_t ReplacementLimit(size_t lineLength) {
    return 10000 + 4 * lineLength;
}

// Replaces the occurrences of r.Txt1 in l, left to right, each search going on where a new
// occurrence could begin: when the replacement cannot form the search text again, that is up to
// search length - 1 characters before the inserted text (so a replacement may make a new
// occurrence with what stood before it), otherwise right after it. The result is built in one
// pass: every character (of the line, or of an inserted text) is appended once, and an
// occurrence is found as soon as its last character is appended. So a long line costs its length
// times the search length, not its length times the number of replacements.
void ApplyReplace(RunContext& run, const RunOptions& options, ReplaceRecord& r, std::string& l) {
    if (r.Txt1.empty()) {
        return;
    }
    const bool exact = r.MatchCase != 0;
    const std::string search = exact ? r.Txt1 : UpperCase(r.Txt1);
    const std::string inserted = exact ? r.Txt2 : UpperCase(r.Txt2);
    const bool feedsItself = inserted.find(search) != std::string::npos;
    const size_t limit = ReplacementLimit(l.size());
    const size_t n = search.size();
    auto same = [exact](char a, char b) { return a == b || (!exact && UpperChar(a) == b); };
    // Whether out ends with the search text, starting no earlier than barrier.
    auto endsWithSearch = [&](const std::string& out, size_t barrier) {
        if (out.size() < n || out.size() - n < barrier) {
            return false;
        }
        size_t start = out.size() - n;
        for (size_t i = n; i > 0; --i) {
            if (!same(out[start + i - 1], search[i - 1])) {
                return false;
            }
        }
        return true;
    };
    std::string out;
    out.reserve(l.size());
    size_t barrier = 0;
    size_t count = 0;
    bool stopped = false;
    // Characters still to be appended: the rest of an inserted text first, then the line.
    std::string pendingInsert;
    size_t insertPos = 0;
    size_t linePos = 0;
    while (insertPos < pendingInsert.size() || linePos < l.size()) {
        if (stopped) {
            out.append(pendingInsert, insertPos, std::string::npos);
            out.append(l, linePos, std::string::npos);
            break;
        }
        out += insertPos < pendingInsert.size() ? pendingInsert[insertPos++] : l[linePos++];
        if (!endsWithSearch(out, barrier)) {
            continue;
        }
        if (count == limit) {
            LogMessage(run.log, options.VerboseMode, 3,
                       "Replace stopped after too many replacements: ", r.Txt1);
            stopped = true;
            continue;
        }
        ++count;
        out.resize(out.size() - n);
        if (feedsItself) {
            out += r.Txt2;
            barrier = out.size();
        } else {
            // The inserted text is searched again, together with what stood before it.
            pendingInsert = r.Txt2 + pendingInsert.substr(insertPos);
            insertPos = 0;
        }
    }
    if (count > 0) {
        l.swap(out);
    }
    if (feedsItself && count > 0 && !r.LoopReported) {
        r.LoopReported = true;
        LogMessage(run.log, options.VerboseMode, 3,
                   "Replace text contains search text, once each: ", r.Txt1);
    }
}

bool IsAddOrUncommentKind(CommandKind k) {
    switch (k) {
        case CommandKind::UCommentSection:
        case CommandKind::UCommentKey:
        case CommandKind::UCommentKeyVal:
        case CommandKind::MergeKey:
        case CommandKind::MergeFKey:
        case CommandKind::AddKeyNumeric:
        case CommandKind::AddKey:
        case CommandKind::AddKeyAnyway:
        case CommandKind::AddKeyAnywayU:
            return true;
        default:
            return false;
    }
}

bool IsNewSectionKind(CommandKind k) {
    return k == CommandKind::AddKey || k == CommandKind::AddKeyNumeric ||
           k == CommandKind::AddKeyAnyway || k == CommandKind::MergeKey ||
           k == CommandKind::MergeFKey || k == CommandKind::AddKeyAnywayU;
}

// The state of one pass.
struct Pass {
    RunContext& run;
    const RunOptions& options;
    CommandStore& store;
    const SectionIndex& index;
    LineWriter& out;
    std::string currentSection;
    bool sectionDeleted = false;
    bool sectionCommented = false;
    bool firstSection = true;
    // The positions of the current section's commands and replace commands.
    const SectionCommands* commands = &index.CommandsOf("");
    const std::vector<size_t>* replaces = &index.ReplacesOf("");

    void EnterSection(std::string section) {
        currentSection = std::move(section);
        commands = &index.CommandsOf(currentSection);
        replaces = &index.ReplacesOf(currentSection);
    }

    void Flush() {
        FlushSection(run, options, store, index, out, currentSection, sectionDeleted,
                     sectionCommented);
    }

    void Uncomment(const std::string& l) {
        out.WriteLine(l.substr(1));
        store.IniChanged = true;
        LogMessage(run.log, options.VerboseMode, 6, "Uncommenting : ", l);
    }

    void CommentedHeader(const std::string& l) {
        Flush();
        if (!firstSection) {
            out.WriteLine("");
        }
        firstSection = sectionDeleted = sectionCommented = false;
        EnterSection(UpperCase(TrimRight(std::string_view(l).substr(1))));
        for (size_t i : commands->records) {
            const CommandRecord& r = store.CommandList[i];
            if (!r.Done && IsAddOrUncommentKind(r.Kind)) {
                Uncomment(l);
                return;
            }
        }
        out.WriteLine(l);
    }

    void CommentedKeyLine(const std::string& l) {
        std::string key, value;
        SplitKeyValue(run, options, l, key, value);
        key = Trim(std::string_view(key).substr(key.empty() ? 0 : 1));
        for (size_t i : commands->records) {
            const CommandRecord& r = store.CommandList[i];
            if (r.Done) {
                continue;
            }
            if (r.Kind == CommandKind::UCommentSection ||
                (r.Kind == CommandKind::UCommentKey && EqualsIgnoreCase(r.Key, key)) ||
                (r.Kind == CommandKind::UCommentKeyVal && EqualsIgnoreCase(r.Key, key) &&
                 EqualsIgnoreCase(r.Value, value))) {
                Uncomment(l);
                return;
            }
        }
        out.WriteLine(l);
    }

    void Header(const std::string& l) {
        const int verbose = options.VerboseMode;
        if (options.CfgMode == 1 || !currentSection.empty()) {
            Flush();
        }
        EnterSection(UpperCase(l));
        sectionDeleted = sectionCommented = false;
        for (size_t i : commands->records) {
            const CommandRecord& r = store.CommandList[i];
            if (r.Kind == CommandKind::DeleteSection) {
                sectionDeleted = true;
                LogMessage(run.log, verbose, 6, "Deletesection : ", currentSection);
                break;
            }
            if (r.Kind == CommandKind::CommentSection) {
                sectionCommented = true;
                LogMessage(run.log, verbose, 9, "Commentsection: ", currentSection);
                break;
            }
        }
        if (sectionDeleted) {
            LogMessage(run.log, verbose, 6, "Delete Line : ", l);
            store.IniChanged = true;
            return;
        }
        if (firstSection) {
            firstSection = false;
            LogMessage(run.log, verbose, 9, "End of Firstsection : ", currentSection);
        } else {
            out.WriteLine("");
        }
        if (sectionCommented) {
            out.WriteLine(";" + l);
            LogMessage(run.log, verbose, 6, "Commentline: ", l);
            store.IniChanged = true;
        } else {
            out.WriteLine(l);
        }
    }

    // False when no command of the section can act on the key line, so that the (traced) full
    // pass over the line can be skipped: a quick look at its key alone.
    bool MayMatch(const std::string& l) {
        if (commands->records.empty()) {
            return false;
        }
        if (options.CfgMode == 1 || !commands->byNumberedKey.empty()) {
            return true;
        }
        size_t d = l.find(options.Delimiter);
        std::string key = Trim(std::string_view(l).substr(0, d));
        for (char& c : key) {
            c = UpperChar(c);
        }
        return commands->byKey.count(key) != 0;
    }

    void KeyLine(const std::string& l) {
        const int verbose = options.VerboseMode;
        if (sectionCommented) {
            out.WriteLine(";" + l);
            LogMessage(run.log, verbose, 6, "COMSection found : ", l);
            store.IniChanged = true;
            return;
        }
        if (sectionDeleted) {
            LogMessage(run.log, verbose, 6, "DELSection found : ", l);
            store.IniChanged = true;
            return;
        }
        if (options.VerboseMode < 9 && !MayMatch(l)) {
            out.WriteLine(l);
            return;
        }
        std::string n = ProcessLine(run, options, store, *commands, currentSection, l, 0);
        if (n != l) {
            store.IniChanged = true;
            LogMessage(run.log, verbose, 6, "INI-Line changed from : ", l);
            LogMessage(run.log, verbose, 6, "INI-Line changed into : ", n);
            if (n.empty()) {
                LogMessage(run.log, verbose, 6, "Empty INI-Line removed", "");
                return;
            }
        }
        out.WriteLine(n);
    }

    void Line(const std::string& line) {
        std::string l = ReplaceLine(run, options, store, index, *replaces, line);
        if (l.empty()) {
            return;
        }
        if (l[0] == ';') {
            char second = CharAt(l, 1);
            if (l.size() <= 2) {
                if (!sectionDeleted) {
                    out.WriteLine(l);
                }
            } else if ((options.CfgMode == 0 && second == '[') ||
                       (options.CfgMode == 1 && !IsBlank(second))) {
                CommentedHeader(l);
            } else {
                CommentedKeyLine(l);
            }
        } else if (IsSectionLine(options, l)) {
            Header(l);
        } else {
            KeyLine(l);
        }
    }

    void NewSections() {
        for (size_t i = 0; i < store.CommandList.size(); ++i) {
            CommandRecord& r = store.CommandList[i];
            if (r.Done || !IsNewSectionKind(r.Kind)) {
                continue;
            }
            store.IniChanged = true;
            EnterSection(r.UpperSection);
            if (firstSection) {
                firstSection = false;
            } else {
                out.WriteLine("");
            }
            LogMessage(run.log, options.VerboseMode, 6,
                       "Flushsection found new section: ", r.Section);
            out.WriteLine(r.Section);
            FlushSection(run, options, store, index, out, currentSection, false, false);
        }
    }
};

}  // namespace

std::string ReplaceLine(RunContext& run, const RunOptions& options, CommandStore& store,
                        const SectionIndex& index, const std::vector<size_t>& currentReplaces,
                        const std::string& line) {
    std::string l = TrimRight(line);
    if (!store.ReplaceList.empty()) {
        // A header (or commented header) line belongs to the section it names.
        const bool header = CharAt(l, 0) == '[' || (CharAt(l, 0) == ';' && CharAt(l, 1) == '[');
        const std::vector<size_t>& own =
            !header ? currentReplaces
                    : index.ReplacesOf(UpperCase(std::string_view(l).substr(l[0] == ';' ? 1 : 0)));
        // The records for every line and those for this section, merged back into list order.
        const std::vector<size_t>& all = index.replacesEverywhere;
        size_t a = 0, b = 0;
        while (a < all.size() || b < own.size()) {
            size_t next;
            if (b >= own.size() || (a < all.size() && all[a] < own[b])) {
                next = all[a++];
            } else {
                next = own[b++];
            }
            ApplyReplace(run, options, store.ReplaceList[next], l);
        }
    }
    if (l != line) {
        store.IniChanged = true;
        LogMessage(run.log, options.VerboseMode, 6, "Replacing: ", line);
        LogMessage(run.log, options.VerboseMode, 6, "    with : ", l);
    }
    return l;
}

int ScanINI(RunContext& run, const RunOptions& options, CommandStore& store,
            const std::string& input, const std::string& output) {
    LineWriter out;
    if (!out.Open(output, NativeLineEnd())) {
        LogMessage(run.log, options.VerboseMode, 1, "Can't open outputfile ", output);
        NoteFailure(run, RunFailure::WriteFailed);
        return 0;
    }
    if (ScanINI(run, options, store, input, out) == 0) {
        return 0;
    }
    if (!out.Close()) {
        LogMessage(run.log, options.VerboseMode, 1, "Write error on outputfile ", output);
        NoteFailure(run, RunFailure::WriteFailed);
        return 0;
    }
    return 1;
}

int ScanINI(RunContext& run, const RunOptions& options, CommandStore& store,
            const std::string& input, LineWriter& out) {
    const int verbose = options.VerboseMode;
    LineReader reader;
    if (!reader.Open(input)) {
        LogMessage(run.log, verbose, 1, "Can't open input file ", input);
        if (options.CreateIni != 1) {
            LogMessage(run.log, verbose, 1, "INI File not found, CreateFile not specified",
                       " Aborting..");
            NoteFailure(run, RunFailure::CommandError);
            return 0;
        }
        LogMessage(run.log, verbose, 1, "Empty file is used", "");
    }
    // The first line tells the file's line end, which the output keeps.
    std::string line;
    bool more = reader.IsOpen() && reader.ReadLine(line);
    out.SetLineEnd(reader.LineEnd().empty() ? NativeLineEnd() : reader.LineEnd());
    LogMessage(run.log, verbose, 5, "InFile : ", input);
    LogMessage(run.log, verbose, 5, "OutFile: ", out.File().NewName());
    store.IniChanged = false;
    SectionIndex index = BuildSectionIndex(store);
    Pass pass{run, options, store, index, out, "", false, false, options.CfgMode != 1};
    while (more) {
        pass.Line(line);
        more = reader.ReadLine(line);
    }
    pass.Flush();
    pass.NewSections();
    bool readFailed = reader.Failed();
    reader.Close();
    if (out.Failed()) {
        LogMessage(run.log, verbose, 1, "Write error on outputfile ", out.File().NewName());
        NoteFailure(run, RunFailure::WriteFailed);
        return 0;
    }
    if (readFailed) {
        LogMessage(run.log, verbose, 1, "Read error on input file ", input);
        LogMessage(run.log, verbose, 1, "Problem: ", reader.ErrorText());
        NoteFailure(run, RunFailure::CommandError);
        return 0;
    }
    return 1;
}

}  // namespace rivel
