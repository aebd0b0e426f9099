// The choice of one run mode from the options and the number of file names, and the whole
// program after the argument scan.
#pragma once

#include <string>

#include "base/run_context.h"
#include "driver/option_scan.h"

namespace rivel {

// Where the invocation came from: ICM lines refuse help and RCM files, call the compiler and
// decompiler without wildcard expansion, and report wrong counts without the help hint.
enum class RunSource { CommandLine, IcmLine };

// Runs the mode the options select, or reports a wrong number of file names.
void RunSelectedMode(RunContext& run, RunOptions& options, int fileCount,
                     RunSource source = RunSource::CommandLine);

// One invocation line of an ICM file: its options scanned into a copy of the settings, then
// the mode they select. This is the function the ICM reader is handed through the context.
void RunIcmInvocation(RunContext& run, const RunOptions& options, const std::string& line);

// The whole program after the argument scan: help, or start-up, banner, run and shut-down.
// Returns the process exit status.
int RunProgram(RunContext& run, ScannedCommandLine& scanned);

}  // namespace rivel
