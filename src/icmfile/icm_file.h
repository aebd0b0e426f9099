// ICM files: a file of invocations, each line run as if typed on the command line, with its own
// IF blocks and "E" lines that run operating-system commands.
#pragma once

#include <string>

#include "base/run_context.h"
#include "script/if_block.h"

namespace rivel {

// ICM files that run ICM files stop at this depth, so a file that calls itself ends.
inline constexpr int kMaxIcmNesting = 16;

// Reads the ICM file and runs its lines.
void ProcessIcmFile(RunContext& run, RunOptions& options, const std::string& icmFile);

// The block logic for one line of an ICM file (after substitution and user variables).
void ProcessIcmLine(RunContext& run, RunOptions& options, IfStack& stack, const std::string& line);

// Runs one invocation or "E" command line with its own copy of the settings.
void ExecuteIcmLine(RunContext& run, const RunOptions& options, const std::string& line);

}  // namespace rivel
