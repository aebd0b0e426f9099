// Directory search by a pattern with the wildcards "*" and "?".
#pragma once

#include <string>
#include <vector>

namespace rivel {

struct DirEntry {
    std::string name;  // the entry's name alone, without its directory
    bool isDirectory = false;
};

// Lists the entries of the directory named by the pattern's path part whose names match its last
// component. "." and ".." are never returned. Entries that are neither plain files nor
// directories are skipped, and so are work files (IsWorkFileName in work_files.h). On POSIX the
// result is in byte order of the names.
std::vector<DirEntry> SearchDirectory(const std::string& pattern);

// Whether a listing of one directory gives name a before name b: byte order on POSIX, as
// SearchDirectory sorts; on Windows the order in which NTFS keeps names, without regard to case
// (other file systems list in an order of their own, which no name tells).
bool ListedBefore(const std::string& a, const std::string& b);

// True when name matches pattern, "*" standing for any run of characters and "?" for one, with
// names compared as the platform's file system compares them.
bool WildcardMatch(const std::string& pattern, const std::string& name);

// The same with the case rule given.
bool WildcardMatchCase(const std::string& pattern, const std::string& name, bool ignoreCase);

}  // namespace rivel
