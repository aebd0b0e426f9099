// The INI run: reads the CMD file into the command lists, applies them to the INI file in one
// pass, and runs the programs of EA lines last.
#include "inicmd/cmd_reader.h"

#include <vector>

#include "driver/message_log.h"
#include "inicmd/command_list.h"
#include "inicmd/ini_replace.h"
#include "platform/files.h"
#include "platform/name_case.h"
#include "platform/shell.h"
#include "script/if_block.h"
#include "script/session.h"
#include "script/substitution.h"
#include "script/user_vars.h"
#include "text/line_io.h"
#include "text/strings.h"

namespace rivel {

namespace {

std::vector<std::string>& ExecuteList() {
    static std::vector<std::string> list;
    return list;
}

// The output file of O and W lines.
void OutputLine(const RunOptions& options, LineWriter& output, const std::string& upper) {
    const int v = options.VerboseMode;
    LogMessage(v, 9, "CMD-File  : ", "Write Output command");
    if (!output.IsOpen()) {
        LogMessage(v, 1, "CMD-File  : ", "Output file is not open");
        return;
    }
    if (upper.compare(1, 3, "NLF") == 0) {
        output.Write(TrimLeft(upper.substr(4)));
        LogMessage(v, 99, "CMD-File  : ", "Write with NO CRLF");
    } else {
        size_t skip = upper.compare(1, 2, "LF") == 0 ? 3 : 1;
        output.WriteLine(TrimLeft(upper.substr(skip)));
        LogMessage(v, 99, "CMD-File  : ", "Write WITH CRLF");
    }
}

void OpenOutput(const RunOptions& options, LineWriter& output, const std::string& text) {
    const int v = options.VerboseMode;
    if (output.IsOpen()) {
        LogMessage(v, 9, "CMD-File  : old Output file closed", "");
        output.Close();
    }
    std::string name = TrimLeft(text.substr(1));
    LogMessage(v, 9, "CMD-File  : Output command : ", name);
    if (!output.Open(name, NativeLineEnd())) {
        LogMessage(v, 1, "Create Outfile failed : ", name);
    }
}

void Execute(const RunOptions& options, const std::string& text) {
    const int v = options.VerboseMode;
    // The line with its first character (the E) replaced by a blank.
    std::string blanked = text;
    blanked[0] = ' ';
    if (CharAt(text, 1) == 'A' || CharAt(text, 1) == 'a') {
        LogMessage(v, 1, "Execute after processing stored : ", blanked);
        StoreExecute(TrimLeft(text.substr(2)));
        return;
    }
    CommandResult result = RunShellCommand(blanked);
    if (!result.started) {
        LogMessage(v, 1, "Execute failed", "");
    }
    SetLastErrorCode(result.status);
}

}  // namespace

void StoreExecute(const std::string& command) {
    ExecuteList().push_back(command);
}

void ExecuteStored(const RunOptions& options) {
    std::vector<std::string> list;
    list.swap(ExecuteList());
    for (const std::string& command : list) {
        LogMessage(options.VerboseMode, 9, "Executing : ", command);
        CommandResult result = RunShellCommand(command);
        if (!result.started) {
            LogMessage(options.VerboseMode, 1, "Execute failed with errno ",
                       std::to_string(result.error));
        }
        SetLastErrorCode(result.status);
    }
}

void ScanCMD(const RunOptions& options, const std::string& cmdFile, const std::string& iniFile) {
    const int v = options.VerboseMode;
    LineReader reader;
    bool opened = reader.Open(cmdFile);
    SetCurrentFiles(iniFile, cmdFile);
    IfStack stack;
    ResetCommands();
    ExecuteList().clear();
    if (!opened) {
        LogMessage(v, 1, "CMDFile not opened correctly :", cmdFile);
        return;
    }
    LineWriter output;
    std::string line;
    while (reader.ReadLine(line)) {
        LogMessage(v, 10, "CMD-File  : ", line);
        line = SubstEnv(options, line);
        LogMessage(v, 9, "After SubstEnv  : ", line);
        line = ProcessVarline(options, line, stack.Top());
        LogMessage(v, 9, "CMD after ProcessVarline : ", line);
        line = TrimLeft(line);
        if (line.empty() || line[0] == ';') {
            LogMessage(v, 9, "CMD-File  : ", "Is comment");
            continue;
        }
        // IF-family lines, ELSE and ENDIF: recognised also while lines are skipped.
        BlockOutcome block = ApplyBlockRule(options, stack, BlockReader::Cmd, line, iniFile);
        if (block.runRemaining) {
            ParseCommand(options, block.remaining, iniFile);
        }
        if (block.blockLine || block.runRemaining) {
            continue;
        }
        if (!stack.DoIT()) {
            LogMessage(v, 9, "CMD-File  : ", "IF-Stack != 1 on top");
            continue;
        }
        const std::string upper = TrimLeft(UpperCase(line));
        // File names and commands keep their case where the platform's names depend on it.
        const std::string& named = FileNamesIgnoreCase() ? upper : line;
        switch (upper[0]) {
            case 'O':
                OpenOutput(options, output, named);
                break;
            case 'W':
                OutputLine(options, output, upper);
                break;
            case 'E':
                Execute(options, named);
                break;
            default:
                LogMessage(v, 9, "CMD-File  : ", "Normal command");
                ParseCommand(options, line, iniFile);
                break;
        }
    }
    FinishIfStack(options, stack, BlockReader::Cmd);
    LogMessage(v, 5, "CMD-File  : ", cmdFile);
    output.Close();
}

void RunIniCommands(RunOptions& options, const std::string& iniFile, const std::string& cmdFile) {
    const int v = options.VerboseMode;
    LogMessage(v, 5, "INI-Scan  : ", iniFile);
    LogMessage(v, 5, "CMD-Scan  : ", cmdFile);
    ScanCMD(options, cmdFile, iniFile);
    CommandStore& store = Commands();
    if (!store.CommandList.empty() || !store.ReplaceList.empty()) {
        if (v >= 9) {
            DumpCommands(options);
            DumpReplaces(options);
        }
        ReplaceIniFile(options, iniFile);
        FreeCommands();
        FreeReplaces();
    } else {
        LogMessage(v, 3, "CMD-Scan  : ", "No commands found to excecute");
    }
    ExecuteStored(options);
}

}  // namespace rivel
