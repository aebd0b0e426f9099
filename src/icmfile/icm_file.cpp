// ICM files: a file of invocations.
#include "icmfile/icm_file.h"

#include <vector>

#include "driver/message_log.h"
#include "driver/run_modes.h"
#include "platform/shell.h"
#include "script/session.h"
#include "script/substitution.h"
#include "script/user_vars.h"
#include "text/line_io.h"
#include "text/strings.h"
#include "text/tokens.h"

namespace rivel {

namespace {

// How many ICM files are being read, one inside the other.
int& NestingDepth() {
    static int depth = 0;
    return depth;
}

struct NestingGuard {
    NestingGuard() { ++NestingDepth(); }
    ~NestingGuard() { --NestingDepth(); }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
};

void RunCommandLine(const RunOptions& options, const std::string& line, size_t afterWord) {
    std::string command = line.substr(afterWord);
    LogMessage(options.VerboseMode, 1, "Execute processing :", command);
    CommandResult result = RunShellCommand(command);
    if (result.started) {
        SetLastErrorCode(result.status);
    } else {
        LogMessage(options.VerboseMode, 1, "Execute failed", "");
        SetLastErrorCode(result.error);
    }
}

}  // namespace

void ExecuteIcmLine(const RunOptions& options, const std::string& line) {
    RunOptions copy = options;
    copy.Help = 0;
    copy.SwapMode = 0;
    copy.IcmFile = 0;
    copy.CompileGri = 0;
    copy.DecompileGrp = 0;
    copy.FileName1.clear();
    copy.FileName2.clear();

    size_t position = 0;
    std::string word = NextWord(line, position);
    if (word == "E") {
        RunCommandLine(copy, line, position);
        return;
    }

    int fileCount = 0;
    std::vector<std::string> excess;
    for (; !word.empty(); word = NextWord(line, position)) {
        if (IsOptionArgument(word)) {
            ScanOption(word, copy, OptionSource::IcmLine, "");
        } else if (fileCount == 0) {
            copy.FileName1 = word;
            fileCount = 1;
        } else if (fileCount == 1) {
            copy.FileName2 = word;
            fileCount = 2;
        } else {
            excess.push_back(word);
        }
    }
    if (!excess.empty()) {
        // As on the command line: a third file name can only be a mistake.
        LogMessage(copy.VerboseMode, 1, "Too many file names, nothing done: ", excess[0]);
        return;
    }
    if (fileCount == 2 && copy.IcmFile == 1) {
        copy.CompileGri = 1;
        copy.IcmFile = 0;
    }
    RunSelectedMode(copy, fileCount, RunSource::IcmLine);
}

void ProcessIcmLine(RunOptions& options, IfStack& stack, const std::string& line) {
    char first = CharAt(line, 0);
    if (first == '#' || first == ';') {
        LogMessage(options.VerboseMode, 9, "Remark     :", line);
        return;
    }
    BlockOutcome outcome = ApplyBlockRule(options, stack, BlockReader::Icm, line, "");
    if (outcome.blockLine) {
        if (outcome.runRemaining) {
            ExecuteIcmLine(options, outcome.remaining);
        }
        return;
    }
    if (stack.DoIT()) {
        ExecuteIcmLine(options, line);
    } else {
        LogMessage(options.VerboseMode, 9, "ICM-Line  : DOIt FALSE ", line);
    }
}

void ProcessIcmFile(RunOptions& options, const std::string& icmFile) {
    if (NestingDepth() >= kMaxIcmNesting) {
        LogMessage(options.VerboseMode, 1, "ICM files nested too deeply, not run: ", icmFile);
        return;
    }
    NestingGuard guard;
    // Each ICM file keeps its own block state, so the file that ran it is unaffected.
    IfStack stack;
    LogMessage(options.VerboseMode, 5, "ICM-File  : ", icmFile);
    LineReader reader;
    if (!reader.Open(icmFile)) {
        LogMessage(options.VerboseMode, 1, "ICMFile open returns BAD for :", icmFile);
        return;
    }
    std::string line;
    // A last line without a line end is not processed.
    while (reader.ReadLine(line) && reader.LastLineEnded()) {
        line = TrimLeft(line);
        LogMessage(options.VerboseMode, 9, "ICM       : ", line);
        if (line.empty()) {
            continue;
        }
        line = SubstEnv(options, line);
        LogMessage(options.VerboseMode, 9, "ICM after SubstEnv       : ", line);
        line = ProcessVarline(options, line, stack.Top());
        LogMessage(options.VerboseMode, 9, "ICM after ProcessVarline : ", line);
        // An assignment leaves nothing behind; like an empty line it is no invocation.
        if (line.empty()) {
            continue;
        }
        ProcessIcmLine(options, stack, line);
    }
    reader.Close();
    LogMessage(options.VerboseMode, 5, "ICM-Close", "");
    FinishIfStack(options, stack, BlockReader::Icm);
}

}  // namespace rivel
