// Win32 full path names: one spelling of a file's name whatever folder it was named from, and
// its folded form, under which names that Windows takes for the same file compare equal.
#pragma once

#include <windows.h>

#include <string>

namespace rivel {

// The full name of path (GetFullPathName), or "" when the system cannot give it.
inline std::string FullPathName(const std::string& path) {
    DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return "";
    }
    std::string full(size, '\0');
    DWORD n = GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
    full.resize(n != 0 && n < size ? n : 0);
    return full;
}

// The name in capitals with "\" for "/".
inline std::string FoldedName(std::string name) {
    for (char& c : name) {
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : (c == '/' ? '\\' : c);
    }
    return name;
}

}  // namespace rivel
