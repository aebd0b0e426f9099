// The option scan: the command line (or an ICM line) turned into the settings of a run.
#pragma once

#include <string>
#include <vector>

#include "base/run_context.h"

namespace rivel {

// The outcome of scanning a command line's arguments.
struct ScannedCommandLine {
    RunOptions options;
    int fileCount = 0;                     // file names accepted into FileName1/FileName2
    std::vector<std::string> excessFiles;  // file names beyond the second: the run must stop
};

// Where an option was written: the two places treat some options differently.
enum class OptionSource { CommandLine, IcmLine };

// Applies one option argument ("-x..." or "/x...") to the options, reporting bad letters and
// digits. commandLine is the raw command line, for the log file header (/l=<file>, command line
// only).
void ScanOption(RunContext& run, const std::string& arg, RunOptions& options, OptionSource source,
                const std::string& commandLine);

// True when the argument is an option rather than a file name.
bool IsOptionArgument(const std::string& arg);

// Scans the arguments after the program name into RunOptions, writing the console lines
// and messages for bad options, and opening the log file at /l=<file>. commandLine is the raw
// command line for the log file header.
ScannedCommandLine ScanArguments(RunContext& run, const std::vector<std::string>& arguments,
                                 const std::string& commandLine);

}  // namespace rivel
