// Win32 directory search: FindFirstFileA/FindNextFileA, in the order the system returns them.
#include <windows.h>

#include "platform/dir_search.h"
#include "platform/work_files.h"

namespace rivel {

// Windows names compare without regard to case, and a name without an extension matches as if
// it ended in a dot: "*.*" stands for every name, "*." for the names without an extension.
bool WildcardMatch(const std::string& pattern, const std::string& name) {
    return WildcardMatchCase(pattern, name, true) ||
           (name.find('.') == std::string::npos && WildcardMatchCase(pattern, name + ".", true));
}

bool ListedBefore(const std::string& a, const std::string& b) {
    auto upper = [](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 'a' + 'A') : u;
    };
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        if (upper(a[i]) != upper(b[i])) {
            return upper(a[i]) < upper(b[i]);
        }
    }
    return a.size() < b.size();
}

std::vector<DirEntry> SearchDirectory(const std::string& pattern) {
    std::vector<DirEntry> found;
    if (pattern.find('\0') != std::string::npos) {
        return found;
    }
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
        return found;
    }
    const size_t cut = pattern.find_last_of("\\/:");
    const std::string last = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    const DWORD plain = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == ".." || IsWorkFileName(name)) {
            continue;
        }
        // The system also matches the short (8.3) names: "*.INI" would find "win.ini~" by its
        // short name WIN~1.INI, and edit a kept copy. Only the names themselves count.
        if (data.cAlternateFileName[0] != '\0' && !WildcardMatch(last, name)) {
            continue;
        }
        DWORD a = data.dwFileAttributes;
        if (a & FILE_ATTRIBUTE_DIRECTORY) {
            found.push_back({name, true});
        } else if (a == 0 || (a & plain) != 0) {
            found.push_back({name, false});
        }
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return found;
}

}  // namespace rivel
