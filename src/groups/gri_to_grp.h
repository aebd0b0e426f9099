// The GRI compiler: GRI text compiled into a program group file.
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

// Backup name of a group file for /b: its name with the last character replaced by "b".
std::string GrpBackupName(const std::string& grpFile);

// Compiles griFile into grpFile without ending the process. Returns 0, or the exit status the
// process must end with: 1 when the image cannot be made (memory, or a group too large for the
// format), 2 when the GRP file cannot be created. The GRP file is only ever replaced whole.
int CompileGriFile(RunContext& run, RunOptions& options, const std::string& grpFile,
                   const std::string& griFile);

// The /c run with two names: CompileGriFile; a fatal error ends the run (no further file or ICM
// line is processed) and its status becomes the exit status.
void GriToGrp(RunContext& run, RunOptions& options, const std::string& grpFile,
              const std::string& griFile);

}  // namespace rivel
