// ICM files: a file of invocations.
#include "icmfile/icm_file.h"

#include "base/message_log.h"
#include "base/preview.h"
#include "platform/shell.h"
#include "script/substitution.h"
#include "script/user_vars.h"
#include "text/line_io.h"
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
    if (!reader.Open(icmFile)) {
        LogMessage(run.log, options.VerboseMode, 1, "ICMFile open returns BAD for :", icmFile);
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    std::string line;
    // A last line without a line end is not processed.
    while (!run.Ended() && reader.ReadLine(line) && reader.LastLineEnded()) {
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
    run.openIcmFiles.push_back(icmFile);
    ProcessIcmLines(run, options, icmFile);
    run.openIcmFiles.pop_back();
}

}  // namespace rivel
