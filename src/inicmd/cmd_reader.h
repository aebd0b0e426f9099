// The INI run: one CMD file applied to one INI file.
#pragma once

#include <string>

#include "base/run_context.h"
#include "inicmd/command_list.h"

namespace rivel {

// Reads the CMD file, applies its commands to the INI file and runs the stored programs.
void RunIniCommands(RunContext& run, RunOptions& options, const std::string& iniFile,
                    const std::string& cmdFile);

// Reads the CMD file into the command lists of store (O, W, E and S lines act at once).
void ScanCMD(RunContext& run, const RunOptions& options, CommandStore& store,
             const std::string& cmdFile, const std::string& iniFile);

// The programs of EA lines: stored while reading, run after the INI file has been replaced.
void ExecuteStored(RunContext& run, const RunOptions& options, CommandStore& store);

}  // namespace rivel
