// The choice of one run mode from the options and the number of file names.
#pragma once

#include "driver/run_options.h"

namespace rivel {

// Where the invocation came from: ICM lines refuse help and RCM files, call the compiler and
// decompiler without wildcard expansion, and report wrong counts without the help hint.
enum class RunSource { CommandLine, IcmLine };

// Runs the mode the options select, or reports a wrong number of file names.
void RunSelectedMode(RunOptions& options, int fileCount, RunSource source = RunSource::CommandLine);

// The whole program after the argument scan: help, or start-up, banner, run and shut-down.
// Returns the process exit status.
int RunProgram(ScannedCommandLine& scanned);

}  // namespace rivel
