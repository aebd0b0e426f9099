// The INI run: one CMD file applied to one INI file.
#pragma once

#include <string>

#include "driver/run_options.h"

namespace rivel {

// Reads the CMD file, applies its commands to the INI file and runs the stored programs.
void RunIniCommands(RunOptions& options, const std::string& iniFile, const std::string& cmdFile);

// Reads the CMD file into the command lists (O, W, E and S lines act at once).
void ScanCMD(const RunOptions& options, const std::string& cmdFile, const std::string& iniFile);

// The programs of EA lines: stored while reading, run after the INI file has been replaced.
void StoreExecute(const std::string& command);
void ExecuteStored(const RunOptions& options);

}  // namespace rivel
