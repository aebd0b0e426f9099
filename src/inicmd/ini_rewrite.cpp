// The INI rewrite pass.
#include "inicmd/ini_rewrite.h"

#include <cstring>
#include <unordered_set>

#include "base/message_log.h"
#include "inicmd/key_line.h"
#include "inicmd/replace_line.h"
#include "platform/files.h"
#include "text/ini_line.h"
#include "text/line_io.h"
#include "text/preview_texts.h"
#include "text/strings.h"

namespace rivel {

namespace {

bool IsNewSectionKind(CommandKind k) {
    return k == CommandKind::AddKey || k == CommandKind::AddKeyNumeric ||
           k == CommandKind::AddKeyAnyway || k == CommandKind::MergeKey ||
           k == CommandKind::MergeFKey || k == CommandKind::AddKeyAnywayU;
}

// The state of one pass.
struct Pass {
    Pass(RunContext& r, const RunOptions& o, CommandStore& s, const SectionIndex& i, LineWriter& w)
        : run(r), options(o), store(s), index(i), out(w), firstSection(o.CfgMode != 1) {
        EnterSection("");
    }

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
    Positions replaces = index.ReplacesOf("");

    // What the pass has learnt of a section's commands, by section tag, so that a section met
    // many times, or holding many comment lines, does not look at all its commands each time.
    struct SectionFacts {
        bool learnt = false;
        // The first DeleteSection or CommentSection command of the section, if any.
        bool deletes = false;
        bool comments = false;
        // Whether it has uncomment commands, and one for the whole section.
        bool uncomments = false;
        bool uncommentsSection = false;
        // Every add before this index into `records` is done (or no add): adds are only ever
        // marked done, so the index only moves forward.
        uint32_t pendingAdds = 0;
    };
    std::vector<SectionFacts> facts = std::vector<SectionFacts>(index.sections.size());
    SectionFacts* current = nullptr;
    uint32_t currentTag = 0;
    // The key and key-value uncomment commands of the sections learnt (see UncommentName).
    std::unordered_set<std::string> uncommentNames;

    // The name under which an uncomment command of kind 'K' (key) or 'V' (key and value) of
    // section tag is filed in uncommentNames: upper-case texts, lengths spelled out, so that
    // texts of any bytes cannot run into each other.
    static std::string UncommentName(uint32_t tag, char kind, std::string_view key,
                                     std::string_view value) {
        std::string name(sizeof tag + 1 + sizeof(size_t), '\0');
        const size_t keySize = key.size();
        std::memcpy(name.data(), &tag, sizeof tag);
        name[sizeof tag] = kind;
        std::memcpy(name.data() + sizeof tag + 1, &keySize, sizeof keySize);
        name += UpperCase(key);
        name += UpperCase(value);
        return name;
    }

    // The commands' kinds and texts never change during the pass: each section is looked at
    // once, when it is first entered.
    void Learn(SectionFacts& f, uint32_t tag) {
        f.learnt = true;
        for (size_t i : commands->records) {
            const CommandRecord& r = store.CommandList[i];
            switch (r.Kind) {
                case CommandKind::DeleteSection:
                    f.deletes = f.deletes || !f.comments;
                    break;
                case CommandKind::CommentSection:
                    f.comments = f.comments || !f.deletes;
                    break;
                case CommandKind::UCommentSection:
                    f.uncomments = f.uncommentsSection = true;
                    break;
                case CommandKind::UCommentKey:
                    f.uncomments = true;
                    uncommentNames.insert(UncommentName(tag, 'K', r.Key, ""));
                    break;
                case CommandKind::UCommentKeyVal:
                    f.uncomments = true;
                    uncommentNames.insert(UncommentName(tag, 'V', r.Key, r.Value));
                    break;
                default:
                    break;
            }
        }
    }

    // The index into the current section's records before which no add is pending.
    size_t FirstPendingAdd() {
        return AddsPending() ? current->pendingAdds : commands->records.size();
    }

    // Whether an add command of the current section is still pending.
    bool AddsPending() {
        if (current == nullptr) {
            return false;
        }
        const Positions& records = commands->records;
        uint32_t& at = current->pendingAdds;
        for (; at < records.size(); ++at) {
            const CommandRecord& r = store.CommandList[records[at]];
            if (!r.Done && IsNewSectionKind(r.Kind)) {
                return true;
            }
        }
        return false;
    }

    // Keeping the file's layout (/k): the input line being processed, as read, and its line end.
    const bool keep = options.KeepLayout == 1;
    const std::string* raw = nullptr;
    const char* rawEnd = "";
    // With /k, the empty and comment lines since the section's last key line wait here while
    // keys may still be added to the section: the added keys go before them.
    bool sectionMayGrow = false;
    std::vector<std::pair<std::string, const char*>> held;
    // With /k, the empty lines after the last line of a deleted section.
    std::vector<std::pair<std::string, const char*>> deletedEmpty;

    void EnterSection(std::string section) {
        currentSection = std::move(section);
        commands = &index.CommandsOf(currentSection);
        replaces = index.ReplacesOf(currentSection);
        current = nullptr;
        if (commands->id != ListTable::kNone) {
            currentTag = index.table.Tag(commands->id);
            current = &facts[currentTag];
            if (!current->learnt) {
                Learn(*current, currentTag);
            }
        }
        sectionMayGrow = AddsPending();
    }

    void Flush() {
        const bool wrote = FlushSection(run, options, store, index, *commands, out, currentSection,
                                        sectionDeleted, sectionCommented, FirstPendingAdd());
        // With /k, a deleted section given keys again ends as it ended before: the empty lines
        // that closed it still part it from what follows.
        if (keep && sectionDeleted && wrote) {
            for (const auto& [text, end] : deletedEmpty) {
                out.WriteLine(text, end);
            }
        }
        deletedEmpty.clear();
    }

    // True when text is the current input line with nothing but its trailing blanks removed.
    bool SameAsRead(const std::string& text) const {
        if (raw->size() < text.size() || raw->compare(0, text.size(), text) != 0) {
            return false;
        }
        for (size_t i = text.size(); i < raw->size(); ++i) {
            if (!IsBlank((*raw)[i])) {
                return false;
            }
        }
        return true;
    }

    // Writes the output of the current input line: with /k a line no command changed goes out
    // exactly as read, and every line keeps its own line end.
    void Emit(const std::string& text) {
        if (!keep) {
            out.WriteLine(text);
        } else {
            out.WriteLine(SameAsRead(text) ? *raw : text, rawEnd);
        }
    }

    // An empty or comment line: with /k, held back while the section may still get keys.
    void EmitTrailing(const std::string& text) {
        if (keep && sectionMayGrow) {
            held.emplace_back(SameAsRead(text) ? *raw : text, rawEnd);
        } else {
            Emit(text);
        }
    }

    void ReleaseHeld() {
        for (const auto& [text, end] : held) {
            out.WriteLine(text, end);
        }
        held.clear();
    }

    // Ends the current section: its added keys, then the lines held back after its last key.
    void EndSection() {
        Flush();
        ReleaseHeld();
    }

    void Uncomment(const std::string& l) {
        ReleaseHeld();
        Emit(l.substr(1));
        store.IniChanged = true;
        LogMessage(run.log, options.VerboseMode, 6, "Uncommenting : ", l);
    }

    void CommentedHeader(const std::string& l) {
        EndSection();
        if (!firstSection && !keep) {
            out.WriteLine("");
        }
        firstSection = sectionDeleted = sectionCommented = false;
        EnterSection(UpperCase(TrimRight(std::string_view(l).substr(1))));
        if (current != nullptr && (current->uncomments || AddsPending())) {
            Uncomment(l);
            return;
        }
        Emit(l);
    }

    void CommentedKeyLine(const std::string& l) {
        deletedEmpty.clear();
        std::string key, value;
        SplitKeyValue(run, options, l, key, value);
        key = Trim(std::string_view(key).substr(key.empty() ? 0 : 1));
        if (current != nullptr && current->uncomments &&
            (current->uncommentsSection ||
             uncommentNames.contains(UncommentName(currentTag, 'K', key, "")) ||
             uncommentNames.contains(UncommentName(currentTag, 'V', key, value)))) {
            Uncomment(l);
            return;
        }
        EmitTrailing(l);
    }

    void Header(const std::string& l) {
        const int verbose = options.VerboseMode;
        if (options.CfgMode == 1 || !currentSection.empty()) {
            Flush();
        }
        ReleaseHeld();
        EnterSection(UpperCase(l));
        sectionDeleted = current != nullptr && current->deletes;
        sectionCommented = current != nullptr && current->comments;
        if (sectionDeleted) {
            LogMessage(run.log, verbose, 6, "Deletesection : ", currentSection);
        } else if (sectionCommented) {
            LogMessage(run.log, verbose, 9, "Commentsection: ", currentSection);
        }
        if (sectionDeleted) {
            LogMessage(run.log, verbose, 6, "Delete Line : ", l);
            store.IniChanged = true;
            return;
        }
        if (firstSection) {
            firstSection = false;
            LogMessage(run.log, verbose, 9, "End of Firstsection : ", currentSection);
        } else if (!keep) {
            out.WriteLine("");
        }
        if (sectionCommented) {
            Emit(";" + l);
            LogMessage(run.log, verbose, 6, "Commentline: ", l);
            store.IniChanged = true;
        } else {
            Emit(l);
        }
    }

    // With /k a changed line whose key and value are those it had keeps its own spelling.
    bool SameKeyAndValue(const std::string& before, const std::string& after) {
        std::string key1, value1, key2, value2;
        SplitKeyValue(run, options, before, key1, value1);
        SplitKeyValue(run, options, after, key2, value2);
        return key1 == key2 && value1 == value2;
    }

    void KeyLine(const std::string& l) {
        const int verbose = options.VerboseMode;
        // With /k, "#" lines (the comments of many programs' files) stay with the lines around
        // them, after the keys added to the section.
        const bool comment = keep && l[0] == '#';
        if (sectionCommented) {
            ReleaseHeld();
            Emit(";" + l);
            LogMessage(run.log, verbose, 6, "COMSection found : ", l);
            store.IniChanged = true;
            return;
        }
        if (sectionDeleted) {
            deletedEmpty.clear();
            LogMessage(run.log, verbose, 6, "DELSection found : ", l);
            store.IniChanged = true;
            return;
        }
        if (options.VerboseMode < 9 && !MayActOn(options, *commands, l, 0)) {
            if (comment) {
                EmitTrailing(l);
            } else {
                ReleaseHeld();
                Emit(l);
            }
            return;
        }
        std::string n = ProcessLine(run, options, store, *commands, currentSection, l, 0);
        if (keep && n != l && !n.empty() && SameKeyAndValue(l, n)) {
            n = l;
        }
        if (n != l) {
            store.IniChanged = true;
            LogMessage(run.log, verbose, 6, "INI-Line changed from : ", l);
            LogMessage(run.log, verbose, 6, "INI-Line changed into : ", n);
            if (n.empty()) {
                LogMessage(run.log, verbose, 6, "Empty INI-Line removed", "");
                return;
            }
        }
        if (comment) {
            EmitTrailing(n);
        } else {
            ReleaseHeld();
            Emit(n);
        }
    }

    // The line after the replace commands when they changed it, and the replacement's scratch
    // text; kept between lines so that their storage is reused.
    std::string replaced;
    ReplaceScratch scratch;

    void Line(const std::string& line, const char* lineEnd) {
        raw = &line;
        rawEnd = lineEnd;
        const std::string& l =
            ReplaceLine(run, options, store, index, replaces, line, replaced, scratch);
        if (l.empty()) {
            // The designed layout drops empty lines; /k keeps them (not in a deleted section).
            if (keep && !sectionDeleted) {
                EmitTrailing(l);
            } else if (keep) {
                deletedEmpty.emplace_back(*raw, rawEnd);
            }
            return;
        }
        if (l[0] == ';') {
            char second = CharAt(l, 1);
            if (l.size() <= 2) {
                if (!sectionDeleted) {
                    EmitTrailing(l);
                }
                deletedEmpty.clear();
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
            EnterSection(UpperCase(r.Section));
            if (keep) {
                // One empty line between the file's text and a new section, as without /k.
                if (out.EndsInText()) {
                    out.WriteLine("");
                }
            } else if (firstSection) {
                firstSection = false;
            } else {
                out.WriteLine("");
            }
            LogMessage(run.log, options.VerboseMode, 6,
                       "Flushsection found new section: ", r.Section);
            out.WriteLine(r.Section);
            FlushSection(run, options, store, index, *commands, out, currentSection, false, false,
                         FirstPendingAdd());
        }
    }
};

}  // namespace

int ScanINI(RunContext& run, const RunOptions& options, CommandStore& store,
            const std::string& input, const std::string& output) {
    LineWriter out;
    if (!out.Open(output, NativeLineEnd())) {
        LogMessage(run.log, options.VerboseMode, 1, "Can't open outputfile ", output);
        LogMessage(run.log, options.VerboseMode, 1, "Problem: ", out.ErrorText());
        NoteFailure(run, RunFailure::WriteFailed);
        return 0;
    }
    if (ScanINI(run, options, store, input, out) == 0) {
        return 0;
    }
    if (!out.Close()) {
        LogMessage(run.log, options.VerboseMode, 1, "Write error on outputfile ", output);
        LogMessage(run.log, options.VerboseMode, 1, "Problem: ", out.ErrorText());
        NoteFailure(run, RunFailure::WriteFailed);
        return 0;
    }
    return 1;
}

int ScanINI(RunContext& run, const RunOptions& options, CommandStore& store,
            const std::string& input, LineWriter& out) {
    const int verbose = options.VerboseMode;
    LineReader reader;
    if (!OpenAsLeft(run, reader, input)) {
        LogMessage(run.log, verbose, 1, "Can't open input file ", input);
        if (options.CreateIni == 1 && ExistsAsLeft(run, input)) {
            // /n creates a missing file; one that is there but cannot be read keeps its
            // contents rather than being replaced by a file made from nothing.
            LogMessage(run.log, verbose, 1, "INI file not readable, not changed : ", input);
            LogMessage(run.log, verbose, 1, "Problem: ", reader.ErrorText());
            NoteFailure(run, RunFailure::CommandError);
            return 0;
        }
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
    out.SetEncoding(reader.IsOpen() ? reader.Encoding() : TextEncoding::Plain);
    LogMessage(run.log, verbose, 5, "InFile : ", input);
    LogMessage(run.log, verbose, 5, "OutFile: ", out.File().NewName());
    store.IniChanged = false;
    SectionIndex index;
    BuildSectionIndex(store, index);
    Pass pass(run, options, store, index, out);
    while (more) {
        pass.Line(line, reader.LastLineEnd());
        more = reader.ReadLine(line);
    }
    pass.EndSection();
    pass.NewSections();
    bool readFailed = reader.Failed();
    bool unconvertible = reader.ConversionFailed();
    reader.Close();
    if (unconvertible) {
        LogMessage(run.log, verbose, 1, "Can't convert the text of input file ", input);
        NoteFailure(run, RunFailure::CommandError);
        return 0;
    }
    if (out.ConversionFailed()) {
        LogMessage(run.log, verbose, 1, "Can't convert text to the encoding of ", input);
    }
    if (out.Failed()) {
        LogMessage(run.log, verbose, 1, "Write error on outputfile ", out.File().NewName());
        // Closing a failed writer removes the new file and gives the system's reason (a full
        // disk, a quota), which an administrator needs to act on.
        out.Close();
        LogMessage(run.log, verbose, 1, "Problem: ", out.ErrorText());
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
