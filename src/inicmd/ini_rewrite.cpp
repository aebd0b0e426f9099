// The INI rewrite pass.
#include "inicmd/ini_rewrite.h"

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
        sectionMayGrow = false;
        for (size_t i : commands->records) {
            const CommandRecord& r = store.CommandList[i];
            sectionMayGrow = sectionMayGrow || (!r.Done && IsNewSectionKind(r.Kind));
        }
    }

    void Flush() {
        const bool wrote = FlushSection(run, options, store, index, *commands, out, currentSection,
                                        sectionDeleted, sectionCommented);
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
        for (size_t i : commands->records) {
            const CommandRecord& r = store.CommandList[i];
            if (!r.Done && IsAddOrUncommentKind(r.Kind)) {
                Uncomment(l);
                return;
            }
        }
        Emit(l);
    }

    void CommentedKeyLine(const std::string& l) {
        deletedEmpty.clear();
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
        EmitTrailing(l);
    }

    void Header(const std::string& l) {
        const int verbose = options.VerboseMode;
        if (options.CfgMode == 1 || !currentSection.empty()) {
            Flush();
        }
        ReleaseHeld();
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
            FlushSection(run, options, store, index, *commands, out, currentSection, false, false);
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
