// Wildcard expansion of the first file name and the per-file dispatch of the two-name runs.
#pragma once

#include <functional>
#include <string>

#include "base/run_context.h"

namespace rivel {

// One of the runs applied per file: INI run, GRP run, GRI compile, GRP decompile.
using PerFileOperation = std::function<void(RunContext& run, RunOptions& options,
                                            const std::string& name1, const std::string& name2)>;

// Expands wildcards in name1 (in any path component) and calls operation once per match.
void ExpandFiles(RunContext& run, RunOptions& options, const std::string& name1,
                 const std::string& name2, const PerFileOperation& operation);

}  // namespace rivel
