// The RCM file reader: the signature, joined lines, the script steps of REGEDITCMD1 files and
// the hand-over of context lines and command lines to the registry operations.
#include "rcmfile/rcm_file.h"

#include <memory>

#include "base/message_log.h"
#include "base/preview.h"
#include "platform/ansi_text.h"
#include "platform/files.h"
#include "platform/name_case.h"
#include "registry/preview_registry.h"
#include "registry/rcm_unicode.h"
#include "registry/reg_export.h"
#include "registry/registry_ops.h"
#include "registry/run_registry.h"
#include "script/if_block.h"
#include "script/substitution.h"
#include "script/user_vars.h"
#include "text/line_io.h"
#include "text/preview_texts.h"
#include "text/strings.h"
#include "text/tokens.h"
#include "text/unified_diff.h"

namespace rivel {

namespace {

constexpr const char* kLabel = "RCM-File  : ";

// REGEDIT4 files escape quotes and backslashes inside quoted texts; there the pairs are left for
// the token reader, which tells an escaped quote from a path ending in a backslash.
std::string ProcessBSOutsideQuotes(const std::string& line) {
    std::string out;
    out.reserve(line.size());
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            out.push_back(c);
            if (c == '\\' && i + 1 < line.size()) {
                out.push_back(line[++i]);
            } else if (c == '"') {
                quoted = false;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
        } else if (c == '\\' && i + 1 < line.size() && line[i + 1] == '\\') {
            ++i;
        }
        out.push_back(c);
    }
    return out;
}

bool IsComment(const std::string& line) {
    return line.empty() || line[0] == ';' || line.compare(0, 2, "//") == 0;
}

struct Reader {
    RunContext& run;
    RunOptions& options;
    RegistryService& reg;
    const RcmEffects& effects;
    RcmContext context;
    IfStack stack;
    LineWriter output;
    // The output file of a preview: named, and written in memory only, where the later steps of
    // the run read it as the file the real run would have left.
    bool previewed = false;
    std::string outputName;

    int V() const { return options.VerboseMode; }

    void NewContext(const std::string& line) {
        CloseContextKey(reg, context);
        context = OpenContextKey(run, options, reg, line);
    }

    // A context line or a command line (REGEDIT4, REGEDITCMD1).
    void Command(const std::string& line) {
        if (CharAt(line, 0) == '[') {
            if (options.RcmSignature == 2 && CharAt(line, 1) == '-') {
                CloseContextKey(reg, context);
                DeleteContextKey(run, options, reg, line);
                return;
            }
            NewContext(line);
            return;
        }
        ProcessKey(run, options, reg, context, line);
    }

    void Regedit(const std::string& line) {
        LogMessage(run.log, V(), 9, "Context definition", line);
        NewContext(line);
        size_t eq = line.find('=');
        std::string rest = Trim(eq == std::string::npos ? line : line.substr(eq + 1));
        LogMessage(run.log, V(), 9, "remaining command is", rest);
        ProcessKey(run, options, reg, context, rest);
    }

    void Regedit4(const std::string& line) {
        if (line[0] == '[') {
            LogMessage(run.log, V(), 9, "Context definition", line);
        }
        Command(line);
    }

    void OpenOutput(const std::string& name) {
        if (output.IsOpen()) {
            LogMessage(run.log, V(), 9, "RCM-File  : old Output file closed", "");
            CloseOutput();
        }
        LogMessage(run.log, V(), 9, "RCM-File  : Output command : ", name);
        previewed = options.Preview == 1;
        if (previewed) {
            PreviewOutputFile(name);
            output.OpenInMemory(NativeLineEnd());
            outputName = name;
            return;
        }
        if (!effects.openOutput(output, name)) {
            LogMessage(run.log, V(), 1, "Create Outfile failed : ", name);
            NoteFailure(run, RunFailure::WriteFailed);
        }
    }

    void Write(const std::string& upper) {
        LogMessage(run.log, V(), 9, kLabel, "Write Output command");
        if (!output.IsOpen()) {
            ReportRcmError(run, V(), kLabel, "Output file is not open");
            return;
        }
        std::string text = TrimLeft(upper.substr(1));
        LogMessage(run.log, V(), 9, "RCM-File  : Output write command : ", text);
        output.WriteLine(text);
    }

    void CloseOutput() {
        if (!previewed) {
            output.Close();
            return;
        }
        if (output.IsOpen() && output.Close()) {
            KeepPreviewText(run, outputName, output.Text(), TextEncoding::Plain);
        }
        output.Abandon();
        previewed = false;
    }

    void Execute(const std::string& upper, const std::string& named) {
        if (CharAt(upper, 1) == 'A') {
            ReportRcmError(run, V(), "Execute after processing", "not supported for RCM files");
            return;
        }
        std::string command = named;
        command[0] = ' ';
        if (options.Preview == 1) {
            PreviewProgram(run, TrimLeft(command));
            return;
        }
        CommandResult result = effects.run(command);
        if (!result.started) {
            ReportRcmError(run, V(), "Execute failed", "");
            run.lastErrorCode = result.error;
            return;
        }
        run.lastErrorCode = result.status;
    }

    void Regeditcmd1(const std::string& line) {
        BlockOutcome block = ApplyBlockRule(run, options, stack, BlockReader::Rcm, line, "");
        if (block.runRemaining) {
            Command(block.remaining);
        }
        if (block.blockLine || block.runRemaining) {
            return;
        }
        if (!stack.DoIT()) {
            LogMessage(run.log, V(), 9, kLabel, "IF-Stack != 1 on top");
            return;
        }
        const std::string upper = TrimLeft(UpperCase(line));
        // File names and commands keep their case where the platform's names depend on it.
        const std::string& named = FileNamesIgnoreCase() ? upper : line;
        switch (upper[0]) {
            case 'O':
                OpenOutput(TrimLeft(named.substr(1)));
                break;
            case 'W':
                Write(upper);
                break;
            case 'E':
                Execute(upper, named);
                break;
            default:
                LogMessage(run.log, V(), 9, kLabel, "Normal command");
                Command(line);
                break;
        }
    }
};

}  // namespace

RcmEffects SystemRcmEffects() {
    RcmEffects effects;
    effects.run = [](const std::string& command) { return RunShellCommand(command); };
    effects.openOutput = [](LineWriter& output, const std::string& name) {
        return output.Open(name, NativeLineEnd());
    };
    return effects;
}

std::string ProcessBS(const std::string& line) {
    std::string out;
    out.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        out.push_back(line[i]);
        if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '\\') {
            ++i;
        }
    }
    return out;
}

void ProcessRcmLines(RunContext& run, RunOptions& options, RegistryService& reg,
                     const RcmLineSource& source, const RcmEffects& effects) {
    const int v = options.VerboseMode;
    const int kind = options.RcmSignature;
    Reader reader{run, options, reg, effects, {}, {}, {}, false, {}};
    std::string physical;
    bool ended = false;
    // A line is carried out only when a line end follows it: a last line without one is not
    // (unless it is joined to the line before it).
    while (source(physical, ended) && ended) {
        LogMessage(run.log, v, 10, kLabel, physical);
        std::string line = TrimRight(physical);
        bool more = true;
        while (more && !line.empty() && line.back() == '\\') {
            line.pop_back();
            if (!source(physical, ended)) {
                more = false;
                break;
            }
            more = ended;
            LogMessage(run.log, v, 8, "Concat lines", physical);
            line += Trim(physical);
        }
        if (kind == 3) {
            line = SubstEnv(run, options, line);
            LogMessage(run.log, v, 9, "After SubstEnv  : ", line);
            line = ProcessVarline(run, options, line, reader.stack.Top());
            LogMessage(run.log, v, 9, "RCM after ProcessVarline : ", line);
        }
        line = kind == 2 ? ProcessBSOutsideQuotes(line) : ProcessBS(line);
        LogMessage(run.log, v, 9, "RCM after ProcessBS : ", line);
        if (kind == 3) {
            line = TrimLeft(line);
        }
        if (IsComment(line)) {
            if (kind == 3) {
                LogMessage(run.log, v, 9, kLabel, "Is comment");
            } else {
                LogMessage(run.log, v, 9, "Is comment", line);
            }
        } else if (kind == 1) {
            reader.Regedit(line);
        } else if (kind == 2) {
            reader.Regedit4(line);
        } else {
            reader.Regeditcmd1(line);
        }
        if (!more) {
            break;
        }
    }
    if (kind == 3) {
        FinishIfStack(run, options, reader.stack, BlockReader::Rcm);
    }
    CloseContextKey(reg, reader.context);
    reader.CloseOutput();
}

void ProcessRcmFile(RunContext& run, RunOptions& options, RegistryService& reg,
                    const std::string& rcmFile) {
    const int v = options.VerboseMode;
    options.RcmUnicode = 0;
    LineReader in;
    if (!OpenAsLeft(run, in, rcmFile)) {
        ReportRcmError(run, v, "Can't open inputfile", rcmFile);
        return;
    }
    LogMessage(run.log, v, 9, "RCM File open OK", rcmFile);
    // A file with a byte-order mark holds Unicode text: read whole and turned into ANSI text, it
    // then reads as any other file. The line reader only tells the byte-order mark: the text goes
    // to the registry, which takes it in its ANSI code page, where a character the code page lacks
    // becomes "?" (the line reader's own conversion would stop the whole file at it).
    // A text a preview kept has no byte-order mark and is read by the line reader as it stands.
    std::string text;
    std::u16string unicode;
    const bool fromText = in.Encoding() != TextEncoding::Plain &&
                          ReadBytesAsLeft(run, rcmFile, text) && DecodeUnicodeFile(text, unicode);
    if (fromText) {
        text = UnicodeToAnsi(unicode);
        LogMessage(run.log, v, 9, "RCM File is Unicode text", rcmFile);
    } else {
        text.clear();
    }
    std::string first;
    bool haveFirst = !fromText && in.ReadLine(first);
    bool firstEnded = in.LastLineEnded();
    size_t at = 0;
    bool ended = false;
    RcmLineSource source = [&](std::string& next, bool& lineEnded) {
        if (!fromText) {
            if (haveFirst) {
                haveFirst = false;
                next = std::move(first);
                lineEnded = firstEnded;
                return true;
            }
            if (!in.ReadLine(next)) {
                return false;
            }
            lineEnded = in.LastLineEnded();
            return true;
        }
        if (at >= text.size()) {
            return false;
        }
        size_t end = text.find('\n', at);
        lineEnded = end != std::string::npos;
        next = text.substr(at, (lineEnded ? end : text.size()) - at);
        if (lineEnded && !next.empty() && next.back() == '\r') {
            next.pop_back();
        }
        at = lineEnded ? end + 1 : text.size();
        return true;
    };
    std::string line;
    bool read = source(line, ended);
    while (read && CharAt(line, 0) == ';' && ended) {
        read = source(line, ended);
    }
    if (EqualsIgnoreCase(line, "REGEDITCMD1")) {
        LogMessage(run.log, v, 99, "REGEDITCMD1 found", line);
        options.RcmSignature = 3;
    } else if (EqualsIgnoreCase(line, "REGEDIT")) {
        LogMessage(run.log, v, 99, "REGEDIT found", line);
        options.RcmSignature = 1;
    } else if (EqualsIgnoreCase(line, "REGEDIT4")) {
        LogMessage(run.log, v, 99, "REGEDIT 4 found", line);
        options.RcmSignature = 2;
    } else if (EqualsIgnoreCase(line, "Windows Registry Editor Version 5.00")) {
        // REGEDIT4 with Unicode text: the hex forms of text values hold UTF-16 units.
        LogMessage(run.log, v, 99, "REGEDIT 5 found", line);
        options.RcmSignature = 2;
        options.RcmUnicode = 1;
    } else {
        ReportRcmError(run, v, "Unknown REGCommand signature", line);
        return;
    }
    ProcessRcmLines(run, options, reg, source, SystemRcmEffects());
}

void RunRcmFile(RunContext& run, RunOptions& options, const std::string& rcmFile) {
    RegistryService& reg = RunRegistry(run, options);
    if (options.Preview == 1) {
        // The changes go to a layer in memory that is dropped afterwards; the keys they touched
        // are shown as they are and as they would be.
        // The registry variables of the file read the layer too, as they would read the
        // changes of a real run.
        std::shared_ptr<RegistryService> real = run.registry;
        auto preview = std::make_shared<PreviewRegistry>(reg);
        run.registry = preview;
        ProcessRcmFile(run, options, *preview, rcmFile);
        run.registry = real;
        std::vector<std::string> keys = preview->ChangedKeys();
        if (!keys.empty()) {
            WritePreviewText(UnifiedDiff("registry", ExportRegistryKeys(reg, keys),
                                         ExportRegistryKeys(*preview, keys)));
        }
        return;
    }
    ProcessRcmFile(run, options, reg, rcmFile);
    if (reg.Flush() != kErrorSuccess) {
        NoteFailure(run, RunFailure::WriteFailed);
    }
}

}  // namespace rivel
