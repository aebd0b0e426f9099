// The choice of one run mode from the options and the number of file names.
#include "driver/run_modes.h"

#include "driver/banner.h"
#include "driver/expand_files.h"
#include "driver/help.h"
#include "driver/message_log.h"
#include "groups/gri_to_grp.h"
#include "groups/grp_to_gri.h"
#include "icmfile/icm_file.h"
#include "inicmd/cmd_reader.h"
#include "registry/rcm_file.h"
#include "script/user_vars.h"

namespace rivel {

namespace {

void WrongCount(const RunOptions& options, RunSource source, const char* text) {
    LogText(options.VerboseMode, 1, text);
    if (source == RunSource::CommandLine) {
        LogText(options.VerboseMode, 1, "Type RIVEL -? for detailed help");
    }
}

// The group compiler and decompiler: every match of a wildcard name from the command line,
// the one name given on an ICM line.
void RunPerFile(RunOptions& o, RunSource source, PerFileOperation operation) {
    if (source == RunSource::CommandLine) {
        ExpandFiles(o, o.FileName1, o.FileName2, operation);
    } else {
        operation(o, o.FileName1, o.FileName2);
    }
}

}  // namespace

void RunSelectedMode(RunOptions& o, int fileCount, RunSource source) {
    const bool fromIcm = source == RunSource::IcmLine;
    if (fromIcm && o.Help == 1) {
        LogMessage(o.VerboseMode, 3, "ICM-Help Option found", "not supported in ICM files");
    } else if (o.IcmFile == 1) {
        if (fileCount == 1) {
            ProcessIcmFile(o, o.FileName1);
        } else {
            WrongCount(o, source, "Wrong number of parameters for ICM-file");
        }
    } else if (!fromIcm && o.RegistryFile == 1) {
        if (fileCount == 1) {
            ProcessRcmFile(o, o.FileName1);
        } else {
            WrongCount(o, source, "Wrong number of parameters for Registery CMD-file");
        }
    } else if (o.GrpCmd == 1) {
        if (fileCount == 2) {
            ExpandFiles(o, o.FileName1, o.FileName2, ProcessGrpCmd);
        } else {
            WrongCount(o, source, "Wrong number of parameters for GRP-CMD-file");
        }
    } else if (o.CompileGri == 1) {
        if (fileCount == 2) {
            RunPerFile(o, source, GriToGrp);
        } else {
            WrongCount(o, source, "Wrong number of parameters for Compile-GRI-file");
        }
    } else if (o.DecompileGrp == 1) {
        if (fileCount == 2) {
            RunPerFile(o, source, GrpToGri);
        } else {
            WrongCount(o, source, "Wrong number of parameters for Decompile-GRP-file");
        }
    } else if (fileCount == 2) {
        ExpandFiles(o, o.FileName1, o.FileName2, RunIniCommands);
    } else {
        WrongCount(o, source, "Wrong number of parameters for INI-file");
    }
}

int RunProgram(ScannedCommandLine& scanned) {
    RunOptions& o = scanned.options;
    if (o.Help == 1) {
        ShowHelp();
        return 0;
    }
    InitValues(o);
    if (o.NoBanner != 1) {
        WriteBanner();
    }
    if (!scanned.excessFiles.empty()) {
        // At most two file names: a third could only be a mistake, so nothing is processed.
        LogMessage(o.VerboseMode, 1, "Too many file names, nothing done: ", scanned.excessFiles[0]);
        LogText(o.VerboseMode, 1, "Type RIVEL -? for detailed help");
    } else {
        RunSelectedMode(o, scanned.fileCount);
    }
    FreeValues(o);
    return 0;
}

}  // namespace rivel
