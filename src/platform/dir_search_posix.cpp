// POSIX directory search: opendir/readdir with case-sensitive wildcard matching.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/dir_search.h"

namespace rivel {

// POSIX names compare byte for byte.
bool WildcardMatch(const std::string& pattern, const std::string& name) {
    return WildcardMatchCase(pattern, name, false);
}

bool ListedBefore(const std::string& a, const std::string& b) {
    return a < b;
}

namespace {
bool AllOf(const std::string& text, size_t from, bool (*test)(char)) {
    for (size_t i = from; i < text.size(); ++i) {
        if (!test(text[i])) {
            return false;
        }
    }
    return true;
}
}  // namespace

// ".<name>.rvl" and eight of a-z and 0-9 (a new version being written), "rvg" and six letters
// or digits (a group's text, made by mkstemp).
bool IsWorkFileName(const std::string& name) {
    const size_t size = name.size();
    if (size > 13 && name[0] == '.' && name.compare(size - 12, 4, ".rvl") == 0 &&
        AllOf(name, size - 8,
              [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); })) {
        return true;
    }
    return size == 9 && name.compare(0, 3, "rvg") == 0 && AllOf(name, 3, [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
           });
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
