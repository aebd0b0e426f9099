// The block rule shared by the CMD, RCM and ICM readers: IF, the one-line forms, ELSE and
// ENDIF change the reader's IfStack, with each reader's own trace messages.
#include "script/if_block.h"

#include <cstdint>

#include "base/message_log.h"
#include "script/if_line.h"
#include "text/strings.h"
#include "text/tokens.h"

namespace rivel {

namespace {

const char* ReaderLabel(BlockReader reader) {
    return reader == BlockReader::Rcm ? "RCM-File  : " : "CMD-File  : ";
}

void Trace(RunContext& run, const RunOptions& options, BlockReader reader, const char* text) {
    if (reader != BlockReader::Icm) {
        LogMessage(run.log, options.VerboseMode, 9, ReaderLabel(reader), text);
    }
}

void IfLine(RunContext& run, const RunOptions& options, IfStack& stack, BlockReader reader,
            const std::string& line, const std::string& word, const std::string& iniFile,
            BlockOutcome& outcome) {
    const int v = options.VerboseMode;
    const bool opensBlock = UpperCase(word) == "IF";
    Trace(run, options, reader, "Is IF statement");
    int32_t top = stack.Top();
    if (top != 1) {
        // Inside a skipped part nothing is evaluated; a nested block stays skipped for good.
        if (opensBlock) {
            stack.entries.push_back(top > INT32_MIN ? top - 1 : top);
        }
        return;
    }
    Trace(run, options, reader, "Is IF");
    size_t position = 0;
    int r = EvalIfLine(run, options, line, position, iniFile);
    if (reader == BlockReader::Icm) {
        LogMessage(run.log, v, 9, "ICM-IF    : ", r != 0 ? "returns TRUE" : "returns FALSE");
    } else {
        Trace(run, options, reader, r != 0 ? "IF returns 1" : "IF returns 0");
    }
    if (opensBlock) {
        stack.entries.push_back(r != 0 ? 1 : 0);
        return;
    }
    if (r != 0) {
        outcome.runRemaining = true;
        outcome.remaining = position < line.size() ? line.substr(position) : std::string();
        LogMessage(run.log, v, 9, "Remaining part: ", outcome.remaining);
        Trace(run, options, reader, "Normal command");
    }
}

void ElseLine(RunContext& run, const RunOptions& options, IfStack& stack, BlockReader reader) {
    const int v = options.VerboseMode;
    if (stack.entries.empty()) {
        stack.entries.push_back(1);
    }
    int32_t& top = stack.entries.back();
    if (reader == BlockReader::Icm) {
        // The ICM reader flips even the base entry: an ELSE without IF skips what follows.
        if (top == 0) {
            top = 1;
        } else if (top == 1) {
            top = 0;
        }
        LogMessage(run.log, v, 9, "ICM-ELSE  : ", top == 1 ? "DOIt-TRUE" : "DOIt-FALSE");
        return;
    }
    Trace(run, options, reader, "ELSE found");
    if (stack.entries.size() == 1) {
        LogMessage(run.log, v, 3, "ELSE found with no corresponding IF", "");
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    if (top == 0) {
        top = 1;
        Trace(run, options, reader, "ELSE, now 1");
    } else if (top == 1) {
        top = 0;
        Trace(run, options, reader, "ELSE, now 0");
    }
}

void EndifLine(RunContext& run, const RunOptions& options, IfStack& stack, BlockReader reader) {
    const int v = options.VerboseMode;
    if (reader == BlockReader::Icm) {
        if (stack.entries.size() <= 1) {
            LogMessage(run.log, v, 3, "Too much ENDIF's found", "");
            NoteFailure(run, RunFailure::CommandError);
        } else {
            stack.entries.pop_back();
        }
        LogMessage(run.log, v, 9, "ICM-ENDIF : ", stack.Top() == 1 ? "DOIt-TRUE" : "DOIt-FALSE");
        return;
    }
    Trace(run, options, reader, "ENDIF found");
    if (!stack.entries.empty()) {
        stack.entries.pop_back();
    }
    if (stack.entries.empty()) {
        LogMessage(run.log, v, 3, "More ENDIF than IF statements", "");
        NoteFailure(run, RunFailure::CommandError);
        stack.entries.push_back(1);
    }
    if (stack.Top() == 0) {
        Trace(run, options, reader, "ENDIF, now 0");
    } else if (stack.Top() == 1) {
        Trace(run, options, reader, "ENDIF, now 1");
    }
}

}  // namespace

BlockOutcome ApplyBlockRule(RunContext& run, const RunOptions& options, IfStack& stack,
                            BlockReader reader, const std::string& line,
                            const std::string& currentIniFile) {
    BlockOutcome outcome;
    if (!MayBeBlockLine(line)) {
        return outcome;
    }
    std::string trimmed = line.substr(SkipBlanks(line, 0));
    size_t position = 0;
    std::string word = NextWord(trimmed, position);
    std::string upper = UpperCase(word);
    if (IsIfWord(upper)) {
        outcome.blockLine = true;
        IfLine(run, options, stack, reader, trimmed, word, currentIniFile, outcome);
    } else if (upper == "ELSE") {
        outcome.blockLine = true;
        ElseLine(run, options, stack, reader);
    } else if (upper == "ENDIF") {
        outcome.blockLine = true;
        EndifLine(run, options, stack, reader);
    }
    return outcome;
}

void FinishIfStack(RunContext& run, const RunOptions& options, IfStack& stack, BlockReader reader) {
    if (stack.entries.size() > 1) {
        LogMessage(run.log, options.VerboseMode, 3,
                   reader == BlockReader::Icm ? "Not enough ENDIF statements found"
                                              : "More IF than ENDIF statements found",
                   "");
        NoteFailure(run, RunFailure::CommandError);
    }
    stack = IfStack{};
}

}  // namespace rivel
