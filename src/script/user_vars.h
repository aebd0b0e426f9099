// User variables: the ValueList of the whole run.
#pragma once

#include "driver/run_options.h"

namespace rivel {

// Creates the (empty) user-variable list at the start of a run.
void InitValues(const RunOptions& options);

// Disposes of the user-variable list at the end of a run.
void FreeValues(const RunOptions& options);

}  // namespace rivel
