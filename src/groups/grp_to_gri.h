// The GRP decompiler: a program group file written out as GRI text.
#pragma once

#include <string>

#include "driver/run_options.h"

namespace rivel {

void GrpToGri(RunOptions& options, const std::string& grpFile, const std::string& griFile);

}  // namespace rivel
