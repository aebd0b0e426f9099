// The INI run: reads the CMD file into the command lists, applies them to the INI file in one
// pass, and runs the programs of EA lines last.
#include "inicmd/cmd_reader.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/message_log.h"
#include "base/preview.h"
#include "inicmd/command_list.h"
#include "inicmd/ini_replace.h"
#include "platform/files.h"
#include "platform/name_case.h"
#include "platform/shell.h"
#include "script/if_block.h"
#include "script/substitution.h"
#include "script/user_vars.h"
#include "text/line_io.h"
#include "text/preview_texts.h"
#include "text/strings.h"

namespace rivel {

namespace {

// The output file of O and W lines. A preview names it and writes it in memory only, where
// the later steps of the run read it as the file the real run would have left.
struct OutputFile {
    LineWriter writer;
    std::string name;
    bool previewed = false;
};

// Puts the output file in place; a failed write (a full disk) is reported, and the file then
// keeps what it had before.
void CloseOutput(RunContext& run, const RunOptions& options, OutputFile& file) {
    if (file.previewed) {
        if (file.writer.IsOpen() && file.writer.Close()) {
            KeepPreviewText(run, file.name, file.writer.Text(), TextEncoding::Plain);
        }
        file.writer.Abandon();
        file.previewed = false;
        return;
    }
    if (file.writer.IsOpen() && !file.writer.Close()) {
        LogMessage(run.log, options.VerboseMode, 1, "Write Outfile failed : ", file.name);
        LogMessage(run.log, options.VerboseMode, 1, "Problem: ", file.writer.ErrorText());
        NoteFailure(run, RunFailure::WriteFailed);
    }
}

void OutputLine(RunContext& run, const RunOptions& options, OutputFile& file,
                const std::string& upper) {
    const int v = options.VerboseMode;
    LineWriter& output = file.writer;
    LogMessage(run.log, v, 9, "CMD-File  : ", "Write Output command");
    if (!output.IsOpen()) {
        LogMessage(run.log, v, 1, "CMD-File  : ", "Output file is not open");
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    if (upper.compare(1, 3, "NLF") == 0) {
        output.Write(TrimLeft(upper.substr(4)));
        LogMessage(run.log, v, 99, "CMD-File  : ", "Write with NO CRLF");
    } else {
        size_t skip = upper.compare(1, 2, "LF") == 0 ? 3 : 1;
        output.WriteLine(TrimLeft(upper.substr(skip)));
        LogMessage(run.log, v, 99, "CMD-File  : ", "Write WITH CRLF");
    }
}

void OpenOutput(RunContext& run, const RunOptions& options, OutputFile& file,
                const std::string& text) {
    const int v = options.VerboseMode;
    LineWriter& output = file.writer;
    if (output.IsOpen()) {
        LogMessage(run.log, v, 9, "CMD-File  : old Output file closed", "");
        CloseOutput(run, options, file);
    }
    std::string name = TrimLeft(text.substr(1));
    file.name = name;
    LogMessage(run.log, v, 9, "CMD-File  : Output command : ", name);
    if (options.Preview == 1) {
        PreviewOutputFile(name);
        output.OpenInMemory(NativeLineEnd());
        file.previewed = true;
        return;
    }
    file.previewed = false;
    if (!output.Open(name, NativeLineEnd())) {
        LogMessage(run.log, v, 1, "Create Outfile failed : ", name);
        LogMessage(run.log, v, 1, "Problem: ", output.ErrorText());
        NoteFailure(run, RunFailure::WriteFailed);
    }
}

// TrimLeft without a copy of the line (this runs for every line of the file): a line of
// blanks keeps one blank, as TrimLeft leaves it.
void TrimLeftInPlace(std::string& line) {
    size_t blanks = 0;
    while (blanks + 1 < line.size() && IsBlank(line[blanks])) {
        ++blanks;
    }
    line.erase(0, blanks);
}

void Execute(RunContext& run, const RunOptions& options, CommandStore& store,
             const std::string& text) {
    const int v = options.VerboseMode;
    // The line with its first character (the E) replaced by a blank.
    std::string blanked = text;
    blanked[0] = ' ';
    if (CharAt(text, 1) == 'A' || CharAt(text, 1) == 'a') {
        LogMessage(run.log, v, 1, "Execute after processing stored : ", blanked);
        store.ExecuteList.push_back(TrimLeft(text.substr(2)));
        return;
    }
    if (options.Preview == 1) {
        PreviewProgram(run, TrimLeft(blanked));
        return;
    }
    CommandResult result = RunShellCommand(blanked);
    if (!result.started) {
        LogMessage(run.log, v, 1, "Execute failed", "");
        NoteFailure(run, RunFailure::CommandError);
    }
    // A program that could not be started leaves the system's error number, as in ICM files.
    run.lastErrorCode = result.started ? result.status : result.error;
}

}  // namespace

void ExecuteStored(RunContext& run, const RunOptions& options, CommandStore& store) {
    std::vector<std::string> list;
    list.swap(store.ExecuteList);
    for (const std::string& command : list) {
        LogMessage(run.log, options.VerboseMode, 9, "Executing : ", command);
        if (options.Preview == 1) {
            PreviewProgram(run, command);
            continue;
        }
        CommandResult result = RunShellCommand(command);
        if (!result.started) {
            LogMessage(run.log, options.VerboseMode, 1, "Execute failed with errno ",
                       std::to_string(result.error));
            NoteFailure(run, RunFailure::CommandError);
        }
        run.lastErrorCode = result.started ? result.status : result.error;
    }
}

void ScanCMD(RunContext& run, const RunOptions& options, CommandStore& store,
             const std::string& cmdFile, const std::string& iniFile) {
    const int v = options.VerboseMode;
    LineReader reader;
    bool opened = OpenAsLeft(run, reader, cmdFile);
    run.currentIniFile = iniFile;
    run.currentCmdFile = cmdFile;
    run.lastErrorCode = 0;
    IfStack stack;
    store = CommandStore{};
    if (!opened) {
        LogMessage(run.log, v, 1, "CMDFile not opened correctly :", cmdFile);
        if (PathExists(cmdFile)) {
            LogMessage(run.log, v, 1, "Problem: ", reader.ErrorText());
        }
        NoteFailure(run, RunFailure::CommandError);
        run.iniEditFailed = true;
        return;
    }
    {
        // Room for the records at once, from the file's size and a short command line: the
        // records then never move while the list grows (a hint only, so a failure is ignored).
        std::error_code error;
        const auto size = std::filesystem::file_size(cmdFile, error);
        if (!error) {
            constexpr std::uintmax_t kBytesPerCommand = 24, kMostReserved = 1u << 18;
            store.CommandList.reserve(
                static_cast<size_t>(std::min(size / kBytesPerCommand, kMostReserved)));
        }
    }
    OutputFile output;
    std::string line;
    while (reader.ReadLine(line)) {
        LogMessage(run.log, v, 10, "CMD-File  : ", line);
        if (v >= 99 || line.find('%') != std::string::npos || line.find('$') != std::string::npos) {
            line = SubstEnv(run, options, line);
            LogMessage(run.log, v, 9, "After SubstEnv  : ", line);
            line = ProcessVarline(run, options, line, stack.Top());
        } else {
            // Nothing to substitute and no variable line (most lines): both steps would give
            // the line back as it is, without its leading blanks.
            LogMessage(run.log, v, 9, "After SubstEnv  : ", line);
            TrimLeftInPlace(line);
        }
        LogMessage(run.log, v, 9, "CMD after ProcessVarline : ", line);
        TrimLeftInPlace(line);
        if (line.empty() || line[0] == ';') {
            LogMessage(run.log, v, 9, "CMD-File  : ", "Is comment");
            continue;
        }
        // IF-family lines, ELSE and ENDIF: recognised also while lines are skipped.
        if (MayBeBlockLine(line)) {
            BlockOutcome block =
                ApplyBlockRule(run, options, stack, BlockReader::Cmd, line, iniFile);
            if (block.runRemaining) {
                ParseCommand(run, options, store, block.remaining, iniFile);
            }
            if (block.blockLine || block.runRemaining) {
                continue;
            }
        }
        if (!stack.DoIT()) {
            LogMessage(run.log, v, 9, "CMD-File  : ", "IF-Stack != 1 on top");
            continue;
        }
        const char first = UpperChar(line[0]);
        if (first != 'O' && first != 'W' && first != 'E') {
            LogMessage(run.log, v, 9, "CMD-File  : ", "Normal command");
            ParseCommand(run, options, store, line, iniFile);
            continue;
        }
        const std::string upper = UpperCase(line);
        // File names and commands keep their case where the platform's names depend on it.
        const std::string& named = FileNamesIgnoreCase() ? upper : line;
        if (first == 'O') {
            OpenOutput(run, options, output, named);
        } else if (first == 'W') {
            OutputLine(run, options, output, upper);
        } else {
            Execute(run, options, store, named);
        }
    }
    if (reader.Failed()) {
        // What was read is not the whole file: none of it is applied.
        LogMessage(run.log, v, 1, "CMD-File read error, nothing changed : ", cmdFile);
        LogMessage(run.log, v, 1, "Problem: ", reader.ErrorText());
        NoteFailure(run, RunFailure::CommandError);
        run.iniEditFailed = true;
        store = CommandStore{};
        output.writer.Abandon();
        return;
    }
    FinishIfStack(run, options, stack, BlockReader::Cmd);
    LogMessage(run.log, v, 5, "CMD-File  : ", cmdFile);
    CloseOutput(run, options, output);
}

void RunIniCommands(RunContext& run, RunOptions& options, const std::string& iniFile,
                    const std::string& cmdFile) {
    const int v = options.VerboseMode;
    LogMessage(run.log, v, 5, "INI-Scan  : ", iniFile);
    LogMessage(run.log, v, 5, "CMD-Scan  : ", cmdFile);
    CommandStore store;
    ScanCMD(run, options, store, cmdFile, iniFile);
    if (!store.CommandList.empty() || !store.ReplaceList.empty()) {
        if (v >= 9) {
            DumpCommands(run, options, store);
            DumpReplaces(run, options, store);
        }
        ReplaceIniFile(run, options, store, iniFile);
        FreeCommands(store);
        FreeReplaces(store);
    } else {
        LogMessage(run.log, v, 3, "CMD-Scan  : ", "No commands found to excecute");
    }
    ExecuteStored(run, options, store);
}

}  // namespace rivel
