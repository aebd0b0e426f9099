// The GRI compiler: GRI text compiled into a program group file.
#pragma once

#include <string>

#include "driver/run_options.h"

namespace rivel {

void GriToGrp(RunOptions& options, const std::string& grpFile, const std::string& griFile);

}  // namespace rivel
