// The GRI compiler: GRI text compiled into a program group file.
#pragma once

#include <string>

#include "driver/run_options.h"

namespace rivel {

// Backup name of a group file for /b: its name with the last character replaced by "b".
std::string GrpBackupName(const std::string& grpFile);

// Compiles griFile into grpFile without ending the process. Returns 0, or the exit status the
// process must end with: 1 when the image cannot be made (memory, or a group too large for the
// format), 2 when the GRP file cannot be created. The GRP file is only ever replaced whole.
int CompileGriFile(RunOptions& options, const std::string& grpFile, const std::string& griFile);

// The /c run with two names: CompileGriFile, and on a fatal error the process ends with its status.
void GriToGrp(RunOptions& options, const std::string& grpFile, const std::string& griFile);

// Ends the process after a fatal error of the compiler: output flushed, log file closed.
[[noreturn]] void EndProcessWithStatus(int status);

}  // namespace rivel
