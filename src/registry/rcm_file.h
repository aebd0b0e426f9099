// Registry command files (RCM): changes to the registry.
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

void ProcessRcmFile(RunContext& run, RunOptions& options, const std::string& rcmFile);

}  // namespace rivel
