// Win32: a file that is open cannot be replaced by renaming a new version over it, so the file is
// read whole as it is opened, its handle closed at once, and later reads are served from memory.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/files.h"
#include "platform/source_file.h"

namespace rivel {

SourceFile::~SourceFile() = default;

bool SourceFile::Open(const std::string& path, std::string& errorText) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errorText = LastErrorText();
        return false;
    }
    std::string bytes;
    char piece[65536];
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h, piece, sizeof piece, &got, nullptr)) {
            errorText = LastErrorText();
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        bytes.append(piece, got);
    }
    CloseHandle(h);
    if (ok) {
        heldBytes_ = std::move(bytes);
        held_ = true;
    }
    return ok;
}

int64_t SourceFile::ReadAt(uint64_t offset, char* data, size_t size) {
    if (!held_) {
        return -1;
    }
    if (offset >= heldBytes_.size()) {
        return 0;
    }
    size_t count = std::min(size, heldBytes_.size() - static_cast<size_t>(offset));
    std::memcpy(data, heldBytes_.data() + offset, count);
    return static_cast<int64_t>(count);
}

}  // namespace rivel
