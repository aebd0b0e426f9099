// The GRP run: a group file edited with a CMD file through its GRI text.
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

// Decompiles the group into a temporary GRI file, applies the CMD file to it as to an INI file
// and compiles the result back into the group file. When an existing group cannot be read whole
// (not a group file, damaged), the run stops there and the group file is left as it was; a
// missing group is made from the CMD file's commands.
void ProcessGrpCmd(RunContext& run, RunOptions& options, const std::string& grpFile,
                   const std::string& cmdFile);

}  // namespace rivel
