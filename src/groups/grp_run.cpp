// The GRP run.
#include "groups/grp_run.h"

#include "groups/gri_to_grp.h"
#include "groups/grp_to_gri.h"
#include "inicmd/cmd_reader.h"
#include "inicmd/temp_file.h"
#include "platform/files.h"

namespace rivel {

void ProcessGrpCmd(RunContext& run, RunOptions& options, const std::string& grpFile,
                   const std::string& cmdFile) {
    std::string griFile = MakeTempFile(run, options);
    if (griFile.empty()) {
        return;  // reported by MakeTempFile; without a GRI file there is nothing to edit
    }
    std::string error;
    // Compiling what was read of a group that was not read whole would replace the group with
    // a damaged or empty one. A group that does not exist yet is made from the CMD file alone.
    // The GRI text is this run's own scratch file: written even in a preview.
    RunOptions decompile = options;
    decompile.Preview = 0;
    if (!GrpToGri(run, decompile, grpFile, griFile) && PathExists(grpFile)) {
        NoteFailure(run, RunFailure::CommandError);
        RemoveFile(griFile, error);
        return;
    }
    run.scratchIniFile = griFile;
    RunIniCommands(run, options, griFile, cmdFile);
    run.scratchIniFile.clear();
    int status = CompileGriFile(run, options, grpFile, griFile);
    RemoveFile(griFile, error);
    if (status != 0) {
        run.fatalStatus = status;
    }
}

}  // namespace rivel
