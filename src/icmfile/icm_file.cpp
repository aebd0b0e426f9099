// ICM files: a file of invocations.
#include "icmfile/icm_file.h"

#include <algorithm>
#include <vector>

#include "base/message_log.h"
#include "base/preview.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "script/substitution.h"
#include "script/user_vars.h"
#include "text/line_io.h"
#include "text/preview_texts.h"
#include "text/strings.h"
#include "text/tokens.h"

namespace rivel {

namespace {

void RunCommandLine(RunContext& run, const RunOptions& options, const std::string& line,
                    size_t afterWord) {
    std::string command = line.substr(afterWord);
    LogMessage(run.log, options.VerboseMode, 1, "Execute processing :", command);
    if (options.Preview == 1) {
        PreviewProgram(run, command);
        return;
    }
    CommandResult result = RunShellCommand(command);
    if (result.started) {
        run.lastErrorCode = result.status;
    } else {
        LogMessage(run.log, options.VerboseMode, 1, "Execute failed", "");
        NoteFailure(run, RunFailure::CommandError);
        run.lastErrorCode = result.error;
    }
}

void ProcessIcmLines(RunContext& run, RunOptions& options, const std::string& icmFile);

}  // namespace

void ExecuteIcmLine(RunContext& run, const RunOptions& options, const std::string& line) {
    size_t position = 0;
    if (NextWord(line, position) == "E") {
        RunCommandLine(run, options, line, position);
    } else if (run.runInvocation) {
        run.runInvocation(run, options, line);
    }
}

void ProcessIcmLine(RunContext& run, RunOptions& options, IfStack& stack, const std::string& line) {
    char first = CharAt(line, 0);
    if (first == '#' || first == ';') {
        LogMessage(run.log, options.VerboseMode, 9, "Remark     :", line);
        return;
    }
    BlockOutcome outcome = ApplyBlockRule(run, options, stack, BlockReader::Icm, line, "");
    if (outcome.blockLine) {
        if (outcome.runRemaining) {
            ExecuteIcmLine(run, options, outcome.remaining);
        }
        return;
    }
    if (stack.DoIT()) {
        ExecuteIcmLine(run, options, line);
    } else {
        LogMessage(run.log, options.VerboseMode, 9, "ICM-Line  : DOIt FALSE ", line);
    }
}

namespace {

void ProcessIcmLines(RunContext& run, RunOptions& options, const std::string& icmFile) {
    // Each ICM file keeps its own block state, so the file that ran it is unaffected.
    IfStack stack;
    LogMessage(run.log, options.VerboseMode, 5, "ICM-File  : ", icmFile);
    LineReader reader;
    if (!OpenAsLeft(run, reader, icmFile)) {
        LogMessage(run.log, options.VerboseMode, 1, "ICMFile open returns BAD for :", icmFile);
        if (PathExists(icmFile)) {
            LogMessage(run.log, options.VerboseMode, 1, "Problem: ", reader.ErrorText());
        }
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    // The whole file is read before its first line runs, so that a read error runs nothing
    // rather than the first part of the file. A last line without a line end is not processed.
    std::vector<std::string> lines;
    std::string text;
    while (reader.ReadLine(text) && reader.LastLineEnded()) {
        lines.push_back(text);
    }
    if (reader.Failed()) {
        LogMessage(run.log, options.VerboseMode, 1, "ICMFile read error, nothing run : ", icmFile);
        LogMessage(run.log, options.VerboseMode, 1, "Problem: ", reader.ErrorText());
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    for (std::string& line : lines) {
        if (run.Ended()) {
            break;
        }
        line = TrimLeft(line);
        LogMessage(run.log, options.VerboseMode, 9, "ICM       : ", line);
        if (line.empty()) {
            continue;
        }
        line = SubstEnv(run, options, line);
        LogMessage(run.log, options.VerboseMode, 9, "ICM after SubstEnv       : ", line);
        line = ProcessVarline(run, options, line, stack.Top());
        LogMessage(run.log, options.VerboseMode, 9, "ICM after ProcessVarline : ", line);
        // An assignment leaves nothing behind; like an empty line it is no invocation.
        if (line.empty()) {
            continue;
        }
        ProcessIcmLine(run, options, stack, line);
    }
    reader.Close();
    LogMessage(run.log, options.VerboseMode, 5, "ICM-Close", "");
    FinishIfStack(run, options, stack, BlockReader::Icm);
}

}  // namespace

void ProcessIcmFile(RunContext& run, RunOptions& options, const std::string& icmFile) {
    if (run.openIcmFiles.size() >= kMaxIcmNesting) {
        LogMessage(run.log, options.VerboseMode, 1,
                   "ICM files nested too deeply, not run: ", icmFile);
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    // A file that runs itself (or a file that runs it) would only repeat itself up to the
    // nesting limit, exponentially often when it does so more than once. Files are told apart
    // by what they are, not by how they were named.
    std::string identity = FileIdentity(icmFile);
    if (identity.empty()) {
        identity = icmFile;
    }
    if (std::find(run.openIcmFiles.begin(), run.openIcmFiles.end(), identity) !=
        run.openIcmFiles.end()) {
        LogMessage(run.log, options.VerboseMode, 1,
                   "ICM file is already being run, not run again: ", icmFile);
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    run.openIcmFiles.push_back(identity);
    ProcessIcmLines(run, options, icmFile);
    run.openIcmFiles.pop_back();
}

}  // namespace rivel
