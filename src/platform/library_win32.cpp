// Win32 library loading: LoadLibraryExA/GetProcAddress/FreeLibrary.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/library.h"

namespace rivel {

namespace {

// The folder part of a module's or the system's name, from a call that fills a buffer.
template <typename Fill>
std::string FolderFrom(Fill fill) {
    std::string name(MAX_PATH, '\0');
    for (;;) {
        DWORD n = fill(name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) {
            return "";
        }
        if (n < name.size()) {
            name.resize(n);
            return name;
        }
        name.resize(name.size() * 2);
    }
}

bool IsAbsoluteFolder(const std::string& folder) {
    const bool drive =
        folder.size() >= 3 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
    const bool share = folder.size() >= 2 && (folder[0] == '\\' || folder[0] == '/') &&
                       (folder[1] == '\\' || folder[1] == '/');
    return drive || share;
}

// The folders a library is installed in, in the order the system searches them, without the
// current folder and any relative folder of PATH: a library of the same name that another
// user left in a shared working folder must never be run.
std::vector<std::string> InstallFolders() {
    std::vector<std::string> folders;
    std::string program = FolderFrom(
        [](char* buffer, DWORD size) { return GetModuleFileNameA(nullptr, buffer, size); });
    size_t slash = program.find_last_of("\\/");
    if (slash != std::string::npos) {
        folders.push_back(program.substr(0, slash));
    }
    folders.push_back(FolderFrom(GetSystemDirectoryA));
    folders.push_back(FolderFrom(GetWindowsDirectoryA));
    DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    std::string path(size, '\0');
    DWORD n = size == 0 ? 0 : GetEnvironmentVariableA("PATH", path.data(), size);
    path.resize(n < size ? n : 0);
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find(';', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        folders.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::string> absolute;
    for (std::string& folder : folders) {
        if (IsAbsoluteFolder(folder)) {
            absolute.push_back(std::move(folder));
        }
    }
    return absolute;
}

}  // namespace

LibraryHandle OpenLibrary(const std::string& fileName) {
    if (fileName.empty() || fileName.find('\0') != std::string::npos) {
        return nullptr;
    }
    if (fileName.find_first_of("\\/:") != std::string::npos) {
        return reinterpret_cast<LibraryHandle>(LoadLibraryA(fileName.c_str()));
    }
    for (const std::string& folder : InstallFolders()) {
        std::string candidate = folder;
        if (candidate.back() != '\\' && candidate.back() != '/') {
            candidate += '\\';
        }
        candidate += fileName;
        DWORD attributes = GetFileAttributesA(candidate.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            continue;
        }
        // Its own folder first for the libraries it needs in turn.
        if (HMODULE module =
                LoadLibraryExA(candidate.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
            return reinterpret_cast<LibraryHandle>(module);
        }
    }
    return nullptr;
}

void* FindSymbol(LibraryHandle library, const std::string& name) {
    if (library == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) {
        FreeLibrary(static_cast<HMODULE>(library));
    }
}

}  // namespace rivel
