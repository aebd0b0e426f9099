// The banner line: the program's notice, version and date.
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

// "3.01" and "1996.06.01".
std::string VersionText();
std::string ReleaseDate();

// "RIVEL configuration file maintenance V3.01  1996.06.01"
std::string BannerLine();

// Writes the banner line to standard error.
void WriteBanner(RunContext& run);

}  // namespace rivel
