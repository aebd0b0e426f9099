// System variables: values that $(_NAME) references compute when they are met: INI values,
// numbered keys, parts of file names, the last error code, NetWare data and registry data.
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

// The value of the system variable name (with its arguments, as in '_INIVALUE[Windows]Load').
// A name that is not known comes back unchanged.
std::string EVALSysvar(RunContext& run, const RunOptions& options, const std::string& name);

// The four parts of a path: drive ("C:"), directory up to and including the last "\" or "/",
// file name and extension (from the last "." of the last component on).
struct PathParts {
    std::string drive;
    std::string directory;
    std::string name;
    std::string extension;
};
PathParts SplitPath(const std::string& path);
// The parts of the name of a file of this platform (the current INI and CMD files): a drive
// only where the platform has drives.
PathParts SplitFileName(const std::string& path);

}  // namespace rivel
