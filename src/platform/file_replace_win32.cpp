// Win32 whole-file replacement: copy into a new file in the target's directory, flush, and move
// it over the target in one step.
#include "platform/file_replace.h"

#include "platform/files.h"

#include <windows.h>

#include <vector>

namespace rivel {

namespace {

// Creates a new file beside target exclusively; returns its handle and name.
HANDLE CreateBeside(const std::string& target, std::string& name) {
    size_t cut = target.find_last_of("\\/:");
    std::string directory = cut == std::string::npos ? "" : target.substr(0, cut + 1);
    DWORD seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        name = directory + "~rvl" + std::to_string((seed + attempt * 7919u) & 0xffffffu) + ".tmp";
        HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return h;
        }
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool ReplaceFileWith(const std::string& source, const std::string& target, std::string& errorText) {
    std::string beside;
    HANDLE out = CreateBeside(target, beside);
    if (out == INVALID_HANDLE_VALUE) {
        errorText = SystemErrorText(GetLastError());
        return false;
    }
    HANDLE in = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = in != INVALID_HANDLE_VALUE;
    std::vector<char> buffer(1 << 16);
    while (ok) {
        DWORD got = 0;
        if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        DWORD put = 0;
        if (!WriteFile(out, buffer.data(), got, &put, nullptr) || put != got) {
            ok = false;
        }
    }
    if (ok && !FlushFileBuffers(out)) {
        ok = false;
    }
    DWORD error = ok ? 0 : GetLastError();
    if (in != INVALID_HANDLE_VALUE) {
        CloseHandle(in);
    }
    if (!CloseHandle(out) && ok) {
        ok = false;
        error = GetLastError();
    }
    if (ok) {
        DWORD attributes = GetFileAttributesA(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            SetFileAttributesA(beside.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        }
        if (!MoveFileExA(beside.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            ok = false;
            error = GetLastError();
        }
    }
    if (!ok) {
        DeleteFileA(beside.c_str());
        errorText = SystemErrorText(error);
    }
    return ok;
}

void CopyPermissionBits(const std::string&, const std::string&) {}

bool MoveOrReplaceFileWith(const std::string& source, const std::string& target,
                           std::string& errorText) {
    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(source.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    // Without MOVEFILE_COPY_ALLOWED the move only succeeds within one volume, in one step.
    if (MoveFileExA(source.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    return ReplaceFileWith(source, target, errorText);
}

bool IsReadOnlyFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace rivel
