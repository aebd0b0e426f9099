// The names of the files a run makes for its own work beside the user's files: the new version
// of a file being written, a group's text and, on Windows, an edit lock. They are made and
// recognised in one place for each platform, so that a wildcard never takes another run's work
// file for a file of the user's.
#pragma once

#include <string>

namespace rivel {

// The name (without a directory) for the new version of the file named baseName, written beside
// it; seed picks one of many such names, and a caller whose name is taken tries another seed.
std::string NewVersionName(const std::string& baseName, unsigned long seed);

// The stem of a group's text (CreateUniqueFile adds the characters that make it unique).
inline constexpr const char* kGroupTextStem = "rvg";

#ifdef _WIN32
// The name of the edit lock of the file whose full name is given.
std::string LockFileName(const std::string& fullName);
#endif

// Whether name is one of those names: a directory search never lists them.
bool IsWorkFileName(const std::string& name);

}  // namespace rivel
