// The INI run: one CMD file applied to one INI file.
#pragma once

#include <string>

#include "driver/run_options.h"

namespace rivel {

void RunIniCommands(RunOptions& options, const std::string& iniFile, const std::string& cmdFile);

}  // namespace rivel
