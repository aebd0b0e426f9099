// Win32 file-system services.
#include "platform/files.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/full_name_win32.h"

namespace rivel {

// A name the system can be asked about: a NUL would cut it short, so that the question would
// be about another file.
static bool Usable(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

static DWORD Attributes(const std::string& path) {
    return Usable(path) ? GetFileAttributesA(path.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool PathExists(const std::string& path) {
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsRegularFile(const std::string& path) {
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string SystemErrorText(unsigned long code) {
    char* buffer = nullptr;
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text =
        n != 0 && buffer != nullptr ? std::string(buffer, n) : "error " + std::to_string(code);
    if (buffer != nullptr) {
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

std::string LastErrorText() {
    return SystemErrorText(GetLastError());
}

std::FILE* OpenReadStream(const std::string& path, std::string& errorText) {
    if (IsDirectory(path)) {
        errorText = "Is a directory";
        return nullptr;
    }
    std::FILE* stream = Usable(path) ? std::fopen(path.c_str(), "rb") : nullptr;
    if (stream == nullptr) {
        errorText = LastErrorText();
    }
    return stream;
}

bool ResolveFileLinks(std::string&, std::string&) {
    return true;
}

std::string ResolvedFileName(const std::string& path) {
    return path;
}

std::string FileIdentity(const std::string& path) {
    if (!PathExists(path)) {
        return "";
    }
    return FoldedName(FullPathName(path));
}

bool RemoveFile(const std::string& path, std::string& errorText) {
    if (!Usable(path)) {
        errorText = SystemErrorText(ERROR_INVALID_NAME);
        return false;
    }
    if (DeleteFileA(path.c_str())) {
        return true;
    }
    errorText = LastErrorText();
    return false;
}

bool RenameFile(const std::string& from, const std::string& to, std::string& errorText) {
    if (!Usable(from) || !Usable(to)) {
        errorText = SystemErrorText(ERROR_INVALID_NAME);
        return false;
    }
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    errorText = LastErrorText();
    return false;
}

std::string CreateUniqueFile(const std::string& directory, const std::string& stem) {
    std::string base = directory;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') {
        base += '\\';
    }
    DWORD seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "%08lx.tmp",
                      static_cast<unsigned long>((seed + attempt * 7919u) & 0xffffffffu));
        std::string path = base + stem + name;
        // CREATE_NEW fails when the name exists: the creation itself is the uniqueness test.
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return path;
        }
        DWORD err = GetLastError();
        if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) {
            return "";
        }
    }
    return "";
}

const char* NativeLineEnd() {
    return "\r\n";
}

char PathSeparator() {
    return '\\';
}

bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace rivel

namespace rivel {

bool IsSlashPathArgument(const std::string&) {
    return false;
}

}  // namespace rivel
