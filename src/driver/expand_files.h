// Wildcard expansion of the first file name and the per-file dispatch of the two-name runs.
#pragma once

#include <string>

#include "driver/run_options.h"

namespace rivel {

// One of the runs applied per file: INI run, GRP run, GRI compile, GRP decompile.
using PerFileOperation = void (*)(RunOptions& options, const std::string& name1,
                                  const std::string& name2);

// Expands wildcards in name1 (in any path component) and calls operation once per match.
void ExpandFiles(RunOptions& options, const std::string& name1, const std::string& name2,
                 PerFileOperation operation);

// The GRP run: decompile to a temporary GRI file, apply the CMD file, compile back.
void ProcessGrpCmd(RunOptions& options, const std::string& grpFile, const std::string& cmdFile);

}  // namespace rivel
