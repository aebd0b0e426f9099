// The choice of one run mode from the options and the number of file names.
#include "driver/run_modes.h"

#include <cstdio>
#include <vector>

#include "driver/banner.h"
#include "driver/expand_files.h"
#include "driver/help.h"
#include "groups/gri_to_grp.h"
#include "groups/grp_run.h"
#include "groups/grp_to_gri.h"
#include "icmfile/icm_file.h"
#include "inicmd/cmd_reader.h"
#include "netware/netware_binding.h"
#include "rcmfile/rcm_file.h"
#include "script/user_vars.h"
#include "text/strings.h"
#include "text/tokens.h"

namespace rivel {

namespace {

void WrongCount(RunContext& run, const RunOptions& options, RunSource source, const char* text) {
    LogText(run.log, options.VerboseMode, 1, text);
    NoteFailure(
        run, source == RunSource::CommandLine ? RunFailure::CommandLine : RunFailure::CommandError);
    if (source == RunSource::CommandLine) {
        LogText(run.log, options.VerboseMode, 1, "Type RIVEL -? for detailed help");
    }
}

// The group compiler and decompiler: every match of a wildcard name from the command line,
// the one name given on an ICM line.
void RunPerFile(RunContext& run, RunOptions& o, RunSource source,
                const PerFileOperation& operation) {
    if (source == RunSource::CommandLine) {
        ExpandFiles(run, o, o.FileName1, o.FileName2, operation);
    } else {
        operation(run, o, o.FileName1, o.FileName2);
    }
}

}  // namespace

void RunSelectedMode(RunContext& run, RunOptions& o, int fileCount, RunSource source) {
    if (run.Ended()) {
        return;
    }
    const bool fromIcm = source == RunSource::IcmLine;
    if (fromIcm && o.Help == 1) {
        LogMessage(run.log, o.VerboseMode, 3, "ICM-Help Option found",
                   "not supported in ICM files");
    } else if (o.IcmFile == 1) {
        if (fileCount == 1) {
            ProcessIcmFile(run, o, o.FileName1);
        } else {
            WrongCount(run, o, source, "Wrong number of parameters for ICM-file");
        }
    } else if (!fromIcm && o.RegistryFile == 1) {
        if (fileCount == 1) {
            RunRcmFile(run, o, o.FileName1);
        } else {
            WrongCount(run, o, source, "Wrong number of parameters for Registery CMD-file");
        }
    } else if (o.GrpCmd == 1) {
        if (fileCount == 2) {
            ExpandFiles(run, o, o.FileName1, o.FileName2, ProcessGrpCmd);
        } else {
            WrongCount(run, o, source, "Wrong number of parameters for GRP-CMD-file");
        }
    } else if (o.CompileGri == 1) {
        if (fileCount == 2) {
            RunPerFile(run, o, source, GriToGrp);
        } else {
            WrongCount(run, o, source, "Wrong number of parameters for Compile-GRI-file");
        }
    } else if (o.DecompileGrp == 1) {
        if (fileCount == 2) {
            RunPerFile(run, o, source, DecompileGrpFile);
        } else {
            WrongCount(run, o, source, "Wrong number of parameters for Decompile-GRP-file");
        }
    } else if (fileCount == 2) {
        ExpandFiles(run, o, o.FileName1, o.FileName2, RunIniCommands);
    } else {
        WrongCount(run, o, source, "Wrong number of parameters for INI-file");
    }
}

void RunIcmInvocation(RunContext& run, const RunOptions& options, const std::string& line) {
    RunOptions copy = options;
    copy.Help = 0;
    copy.SwapMode = 0;
    copy.IcmFile = 0;
    copy.CompileGri = 0;
    copy.DecompileGrp = 0;
    copy.FileName1.clear();
    copy.FileName2.clear();

    int fileCount = 0;
    std::vector<std::string> excess;
    size_t position = 0;
    for (std::string word = NextWord(line, position); !word.empty();
         word = NextWord(line, position)) {
        if (IsOptionArgument(word)) {
            ScanOption(run, word, copy, OptionSource::IcmLine, "");
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
        LogMessage(run.log, copy.VerboseMode, 1, "Too many file names, nothing done: ", excess[0]);
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    if (fileCount == 2 && copy.IcmFile == 1) {
        copy.CompileGri = 1;
        copy.IcmFile = 0;
    }
    RunSelectedMode(run, copy, fileCount, RunSource::IcmLine);
}

int RunProgram(RunContext& run, ScannedCommandLine& scanned) {
    RunOptions& o = scanned.options;
    if (o.Help == 1) {
        ShowHelp(run);
        return 0;
    }
    run.runInvocation = RunIcmInvocation;
    NetWareStartup(run, o);
    InitValues(run, o);
    if (o.NoBanner != 1) {
        WriteBanner(run);
    }
    if (!scanned.excessFiles.empty()) {
        // At most two file names: a third could only be a mistake, so nothing is processed.
        LogMessage(run.log, o.VerboseMode, 1,
                   "Too many file names, nothing done: ", scanned.excessFiles[0]);
        LogText(run.log, o.VerboseMode, 1, "Type RIVEL -? for detailed help");
        NoteFailure(run, RunFailure::CommandLine);
    } else {
        RunSelectedMode(run, o, scanned.fileCount);
    }
    if (run.Ended()) {
        // The compiler's fatal end: the rest of the run is skipped, as when the process ends.
        std::fflush(stdout);
        return run.fatalStatus;
    }
    FreeValues(run, o);
    NetWareShutdown(run, o);
    if (run.log.failed) {
        // The log is a file the run was asked to write.
        NoteFailure(run, RunFailure::WriteFailed);
    }
    return o.ExitStatus == 1 ? run.failure : 0;
}

}  // namespace rivel
