// The GRP run.
#include "groups/grp_run.h"

#include "base/message_log.h"
#include "groups/gri_to_grp.h"
#include "groups/grp_to_gri.h"
#include "inicmd/cmd_reader.h"
#include "inicmd/temp_file.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/temp_cleanup.h"

namespace rivel {

namespace {

// Removes the GRI text at the end of the run, and from the list of files removed on a signal.
struct TempFileGuard {
    explicit TempFileGuard(std::string name)
        : path(std::move(name)), registration(RegisterTempFile(-1, path)) {}
    ~TempFileGuard() {
        std::string ignored;
        RemoveFile(path, ignored);
        UnregisterTempFile(registration);
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    std::string path;
    TempRegistration* registration;
};

}  // namespace

void ProcessGrpCmd(RunContext& run, RunOptions& options, const std::string& grpFile,
                   const std::string& cmdFile) {
    const int v = options.VerboseMode;
    if (PathExists(grpFile) && !IsRegularFile(grpFile)) {
        LogMessage(run.log, v, 1, "GRP file is not a regular file, not changed : ", grpFile);
        NoteFailure(run, RunFailure::WriteFailed);
        return;
    }
    // The group is locked from its decompiling to its compiling, so parallel runs take turns.
    ScopedEditLock lock;
    std::string lockError;
    if (lock.Acquire(grpFile, lockError) == LockResult::InUse) {
        LogMessage(run.log, v, 1, "GRP file in use, not changed : ", grpFile);
        NoteFailure(run, RunFailure::WriteFailed);
        return;
    }
    // The GRI text lives beside the group (where the group's own users write), never in a
    // shared TEMP directory, and is removed whatever ends the run.
    std::string griFile = MakeGroupTextFile(run, options, ResolvedFileName(grpFile));
    if (griFile.empty()) {
        return;  // reported by MakeGroupTextFile; without a GRI file there is nothing to edit
    }
    TempFileGuard guard(griFile);
    // Compiling what was read of a group that was not read whole would replace the group with
    // a damaged or empty one. A group that does not exist yet is made from the CMD file alone.
    // The GRI text is this run's own scratch file: written even in a preview.
    RunOptions decompile = options;
    decompile.Preview = 0;
    if (!GrpToGri(run, decompile, grpFile, griFile) && PathExists(grpFile)) {
        LogMessage(run.log, v, 1, "GRP file can't be read, not changed : ", grpFile);
        NoteFailure(run, RunFailure::CommandError);
        return;
    }
    run.scratchIniFile = griFile;
    run.iniEditFailed = false;
    RunIniCommands(run, options, griFile, cmdFile);
    run.scratchIniFile.clear();
    if (run.iniEditFailed) {
        // The commands never reached the text: compiling it would only rewrite the group
        // (without its icons) for nothing.
        LogMessage(run.log, v, 1, "GRP file not changed : ", grpFile);
        return;
    }
    int status = CompileGriFile(run, options, grpFile, griFile);
    if (status != 0) {
        run.fatalStatus = status;
    }
}

}  // namespace rivel
