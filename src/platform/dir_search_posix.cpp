// POSIX directory search: opendir/readdir with case-sensitive wildcard matching.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/dir_search.h"
#include "platform/work_files.h"

namespace rivel {

// POSIX names compare byte for byte.
bool WildcardMatch(const std::string& pattern, const std::string& name) {
    return WildcardMatchCase(pattern, name, false);
}

bool ListedBefore(const std::string& a, const std::string& b) {
    return a < b;
}

std::vector<DirEntry> SearchDirectory(const std::string& pattern) {
    std::vector<DirEntry> found;
    size_t slash = pattern.rfind('/');
    std::string dir = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
    std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    if (dir.find('\0') != std::string::npos) {
        return found;
    }
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
        return found;
    }
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == ".." || !WildcardMatch(mask, name) || IsWorkFileName(name)) {
            continue;
        }
        struct stat st {};
        std::string full = dir + (dir.back() == '/' ? "" : "/") + name;
        if (::stat(full.c_str(), &st) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            found.push_back({name, true});
        } else if (S_ISREG(st.st_mode)) {
            found.push_back({name, false});
        }
    }
    ::closedir(d);
    std::sort(found.begin(), found.end(),
              [](const DirEntry& a, const DirEntry& b) { return ListedBefore(a.name, b.name); });
    return found;
}

}  // namespace rivel
