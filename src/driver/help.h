// The eight help pages shown for /h and /?.
#pragma once

#include "base/run_context.h"

namespace rivel {

// Writes the banner (standard error) and the pages (standard output), each page ending in a
// prompt that waits for one key; ESC (or the end of input) ends the help.
void ShowHelp(RunContext& run);

}  // namespace rivel
