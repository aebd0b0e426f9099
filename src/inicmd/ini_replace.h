// Putting the result of the rewrite pass in place of the INI file: temporary file, optional
// backup, creation from a base file, and a replacement that never leaves a damaged INI file.
#pragma once

#include <string>

#include "base/run_context.h"
#include "inicmd/command_list.h"

namespace rivel {

// The backup name: the INI file name with its extension replaced by "bak".
std::string MakeBackupName(const std::string& iniFile);

// Runs the rewrite pass on the INI file and replaces it when something changed.
void ReplaceIniFile(RunContext& run, const RunOptions& options, CommandStore& store,
                    const std::string& iniFile);

}  // namespace rivel
