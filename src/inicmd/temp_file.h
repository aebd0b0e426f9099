// The temporary file of an INI run (and of a GRP run's GRI text).
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

// Creates a new, empty, uniquely named file in the directory of TEMP, else TMP, else TMPDIR,
// else the current directory (with the warning "TEMP or TMP environment not found" at level 3),
// logging its name at level 9. The file is created exclusively. Returns its full name, or ""
// when no file could be created (reported at level 1).
std::string MakeTempFile(RunContext& run, const RunOptions& options);

}  // namespace rivel
