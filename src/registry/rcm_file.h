// Registry command files (RCM): changes to the registry.
#pragma once

#include <string>

#include "driver/run_options.h"

namespace rivel {

void ProcessRcmFile(RunOptions& options, const std::string& rcmFile);

}  // namespace rivel
