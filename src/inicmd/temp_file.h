// The temporary files of an INI run and of a GRP run's GRI text. Both are made beside the file
// they stand for, never in a shared TEMP directory, where another user could swap their names.
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

// Logs the temporary file of an INI run (made beside the INI file): its name at level 9, and the
// warning "TEMP or TMP environment not found" at level 3 when none of them is set.
void ReportTempFile(RunContext& run, const RunOptions& options, const std::string& path);

// Creates the GRI text of a GRP run beside the group file, exclusively, and logs its name at
// level 9. Returns its name, or "" (reported at level 1).
std::string MakeGroupTextFile(RunContext& run, const RunOptions& options,
                              const std::string& grpFile);

}  // namespace rivel
