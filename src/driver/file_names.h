// File name preparation for the command line.
#pragma once

#include <string>

namespace rivel {

// A name with neither a drive nor a directory part gets the current directory in front
// (WIN.INI becomes .\WIN.INI on Windows, ./WIN.INI on POSIX); any other name is returned
// unchanged. An empty name stays empty.
std::string CurrentDirPrefix(const std::string& name);

}  // namespace rivel
