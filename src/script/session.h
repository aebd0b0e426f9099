// Process-wide values of the script language: the current INI and CMD file names (recorded when
// a CMD file is opened) and the last error code (set by execute lines).
#pragma once

#include <string>

namespace rivel {

// Called when a CMD file is opened: records the run's INI and CMD file names and sets the last
// error code to 0, so that $(_ERRORCODE) reports only programs run by this CMD file.
void SetCurrentFiles(const std::string& iniFile, const std::string& cmdFile);
const std::string& CurrentIniFile();
const std::string& CurrentCmdFile();

void SetLastErrorCode(int code);
int LastErrorCode();

// Tests: back to the state at program start.
void ResetSession();

}  // namespace rivel
