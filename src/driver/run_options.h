// The settings of one run, scanned from the command line (or from an ICM line, which gets a copy).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rivel {

struct RunOptions {
    int32_t Help = 0;
    int32_t NoBanner = 0;
    int32_t VerboseMode = 4;
    int32_t CreateIni = 0;  // 0 missing INI is an error, 1 create empty, 2 create from base file
    int32_t IcmFile = 0;
    int32_t CompileGri = 0;
    int32_t DecompileGrp = 0;
    int32_t SwapMode = 0;
    int32_t Backup = 0;
    int32_t GrpCmd = 0;
    int32_t CfgMode = 0;
    char Delimiter = '=';
    int32_t RegistryFile = 0;
    int32_t RcmSignature = 0;
    std::string FileName1;
    std::string FileName2;
};

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
void ScanOption(const std::string& arg, RunOptions& options, OptionSource source,
                const std::string& commandLine);

// True when the argument is an option rather than a file name.
bool IsOptionArgument(const std::string& arg);

// Scans the arguments after the program name into RunOptions, writing the console lines
// and messages for bad options, and opening the log file at /l=<file>. commandLine is the raw
// command line for the log file header.
ScannedCommandLine ScanArguments(const std::vector<std::string>& arguments,
                                 const std::string& commandLine);

// The process-wide base file named by /n=<file>.
const std::string& BaseFileName();
void SetBaseFileName(const std::string& name);

}  // namespace rivel
