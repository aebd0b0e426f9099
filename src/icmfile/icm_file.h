// ICM files: a file of invocations, each run as if typed on the command line.
#pragma once

#include <string>

#include "driver/run_options.h"

namespace rivel {

void ProcessIcmFile(RunOptions& options, const std::string& icmFile);

}  // namespace rivel
