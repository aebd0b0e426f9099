// Win32 directory search: FindFirstFileA/FindNextFileA, in the order the system returns them.
#include <windows.h>

#include "platform/dir_search.h"

namespace rivel {

static char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    // Windows names compare without regard to case.
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Upper(pattern[p]) == Upper(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
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
    const DWORD plain = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") {
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
