// The command-line scan into RunOptions.
#include "driver/option_scan.h"

#include "driver/banner.h"
#include "driver/file_names.h"
#include "platform/console.h"
#include "platform/files.h"
#include "text/strings.h"

namespace rivel {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A bad option is an error of the command line, or of the ICM line it stands on.
void NoteOptionError(RunContext& run, OptionSource source) {
    NoteFailure(
        run, source == OptionSource::IcmLine ? RunFailure::CommandError : RunFailure::CommandLine);
}

// /s and /w: 1 alone, or the digit of a three-character argument.
void ScanModeDigit(RunContext& run, const std::string& arg, int32_t& field, const char* complaint,
                   OptionSource source) {
    field = 1;
    if (arg.size() != 3) {
        return;
    }
    if (IsDigit(arg[2])) {
        field = arg[2] - '0';
    } else {
        WriteConsoleLine(run.log, std::string(complaint) + arg + "> found");
        NoteOptionError(run, source);
    }
}

// /v: 1 alone, else up to three digits. A non-digit is reported; from the fourth character on,
// its factor of 10 has already been applied.
void ScanVerbose(RunContext& run, const std::string& arg, RunOptions& o, OptionSource source) {
    o.VerboseMode = 1;
    for (size_t i = 2; i < arg.size() && i < 5; ++i) {
        bool digit = IsDigit(arg[i]);
        if (i == 2) {
            o.VerboseMode = digit ? arg[i] - '0' : o.VerboseMode;
        } else {
            o.VerboseMode = o.VerboseMode * 10 + (digit ? arg[i] - '0' : 0);
        }
        if (digit) {
            continue;
        }
        if (source == OptionSource::IcmLine) {
            LogMessage(run.log, o.VerboseMode, 1, "Invalid Verbosemode ", arg);
            NoteOptionError(run, source);
        } else {
            WriteConsoleLine(run.log, "Invalid Verbosemode <" + arg + "> found");
            NoteOptionError(run, source);
        }
    }
    if (source == OptionSource::IcmLine && o.VerboseMode == 0) {
        o.NoBanner = 1;
    }
}

void ReportInvalidOption(RunContext& run, const std::string& arg, const RunOptions& o,
                         OptionSource source) {
    std::string letter = arg.size() > 1 ? arg.substr(1, 1) : "";
    NoteOptionError(run, source);
    if (source == OptionSource::IcmLine) {
        LogMessage(run.log, o.VerboseMode, 1, "Invalid Option ", letter);
    } else {
        WriteConsoleLine(run.log, "Invalid Option <" + letter + "> found");
    }
}

// The eight lines at the top of a log file: banner, time and the command line.
std::string LogFileHeader(const std::string& commandLine) {
    size_t start = commandLine.find_first_not_of(" \t");
    std::string args = start == std::string::npos ? "" : commandLine.substr(start);
    return ";\n; " + BannerLine() + "\n;\n; Running at " + LocalTimeText() + ";\n; " + args +
           "\n; With NETWARE support\n;\n";
}

}  // namespace

void ScanOption(RunContext& run, const std::string& arg, RunOptions& o, OptionSource source,
                const std::string& commandLine) {
    char letter = UpperChar(CharAt(arg, 1));
    switch (letter) {
        case '!':
            if (source == OptionSource::IcmLine) {
                ReportInvalidOption(run, arg, o, source);
            } else {
                o.NoBanner = 1;
            }
            break;
        case '?':
        case 'H':
            o.Help = 1;
            break;
        case 'B':
            o.Backup = 1;
            break;
        case 'C':
            o.IcmFile = 1;
            break;
        case 'D':
            o.DecompileGrp = 1;
            break;
        case 'E':
            if (source == OptionSource::IcmLine && (arg.size() != 4 || arg[2] != '=')) {
                // ICM lines accept only the exact form /e=<c>.
                LogMessage(run.log, o.VerboseMode, 1, "Invalid Option ", arg);
                NoteOptionError(run, source);
            } else if (CharAt(arg, 2) == '=' && arg.size() < 4) {
                // "/e=" alone would make the delimiter a NUL byte, written into the text files.
                LogMessage(run.log, o.VerboseMode, 1, "Invalid Option ", arg);
                NoteOptionError(run, source);
            } else if (CharAt(arg, 2) == '=') {
                o.Delimiter = CharAt(arg, 3);
            } else {
                LogMessage(run.log, o.VerboseMode, 1, "-E option found with no = sign", "");
                NoteOptionError(run, source);
            }
            break;
        case 'G':
            o.GrpCmd = 1;
            break;
        case 'K':
            o.KeepLayout = 1;
            break;
        case 'L': {
            if (source == OptionSource::IcmLine) {
                ReportInvalidOption(run, arg, o, source);
                break;
            }
            if (CharAt(arg, 2) != '=') {
                LogMessage(run.log, o.VerboseMode, 1, "-L option found with no = sign", "");
                NoteOptionError(run, source);
            }
            std::string name = CurrentDirPrefix(arg.size() > 3 ? arg.substr(3) : "");
            if (!name.empty()) {
                OpenLogFile(run.log, name, LogFileHeader(commandLine), o.VerboseMode);
            } else {
                LogMessage(run.log, o.VerboseMode, 1, "-L option with no filename found", "");
                NoteOptionError(run, source);
            }
            break;
        }
        case 'N':
            if (CharAt(arg, 2) != '=') {
                o.CreateIni = 1;
                LogMessage(run.log, o.VerboseMode, 9, "-N option found with no = sign", "");
            } else {
                o.CreateIni = 2;
                std::string name = CurrentDirPrefix(arg.size() > 3 ? arg.substr(3) : "");
                if (!name.empty()) {
                    run.baseFileName = name;
                } else {
                    LogMessage(run.log, o.VerboseMode, 1, "-N= option with no filename found", "");
                    NoteOptionError(run, source);
                }
            }
            break;
        case 'O':
            break;
        case 'P':
            o.Preview = 1;
            break;
        case 'R':
            o.RegistryFile = 1;
            break;
        case 'S':
            ScanModeDigit(run, arg, o.SwapMode, "Invalid Swapmode <", source);
            break;
        case 'V':
            ScanVerbose(run, arg, o, source);
            break;
        case 'X':
            o.ExitStatus = 1;
            break;
        case 'W':
            ScanModeDigit(run, arg, o.CfgMode, "Invalid CFG-mode <", source);
            break;
        default:
            ReportInvalidOption(run, arg, o, source);
            break;
    }
}

bool IsOptionArgument(const std::string& arg) {
    char first = CharAt(arg, 0);
    return (first == '-' || first == '/') && !IsSlashPathArgument(arg);
}

ScannedCommandLine ScanArguments(RunContext& run, const std::vector<std::string>& arguments,
                                 const std::string& commandLine) {
    ScannedCommandLine scanned;
    RunOptions& o = scanned.options;
    for (const std::string& arg : arguments) {
        if (IsOptionArgument(arg)) {
            ScanOption(run, arg, o, OptionSource::CommandLine, commandLine);
        } else if (scanned.fileCount == 0) {
            o.FileName1 = arg;
            scanned.fileCount = 1;
        } else if (scanned.fileCount == 1) {
            o.FileName2 = arg;
            scanned.fileCount = 2;
        } else {
            scanned.excessFiles.push_back(arg);
        }
    }
    if (scanned.fileCount >= 1) {
        o.FileName1 = CurrentDirPrefix(o.FileName1);
    }
    if (scanned.fileCount == 2) {
        o.FileName2 = CurrentDirPrefix(o.FileName2);
        if (o.IcmFile == 1) {
            o.CompileGri = 1;
            o.IcmFile = 0;
        }
    }
    return scanned;
}

}  // namespace rivel
