// Win32 whole-file replacement: a new file created exclusively beside the target, written and
// flushed (FlushFileBuffers) through its handle, then moved over the target in one step with
// MOVEFILE_WRITE_THROUGH, so the move itself is on the disk when it returns.
#include <windows.h>

#include "platform/file_replace.h"
#include "platform/file_replace_state.h"
#include "platform/files.h"
#include "platform/temp_cleanup.h"
#include "platform/work_files.h"
#include "platform/write_buffer.h"

namespace rivel {

struct ReplacementFile::State : ReplacementFile::Common {
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = 0;
};

namespace {

bool WriteAll(HANDLE h, const char* data, size_t size, DWORD& error) {
    while (size > 0) {
        DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD put = 0;
        if (!WriteFile(h, data, chunk, &put, nullptr) || put == 0) {
            error = GetLastError();
            return false;
        }
        data += put;
        size -= put;
    }
    return true;
}

// Devices (NUL, CON, COM1), pipes and directories are not files that can be replaced.
bool IsReplaceable(const std::string& target, bool& exists, DWORD& attributes) {
    HANDLE h =
        CreateFileA(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD err = GetLastError();
        exists = !(err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND);
        attributes = INVALID_FILE_ATTRIBUTES;
        return !exists;
    }
    exists = true;
    BY_HANDLE_FILE_INFORMATION info{};
    bool disk = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
                (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    attributes = info.dwFileAttributes;
    CloseHandle(h);
    return disk;
}

}  // namespace

ReplacementFile::ReplacementFile() = default;

ReplacementFile::~ReplacementFile() {
    if (state_ && state_->published) {
        std::string ignored;
        Close(ignored);
    }
    Abandon();
}

bool ReplacementFile::IsOpen() const {
    return state_ && state_->handle != INVALID_HANDLE_VALUE;
}

ReplacementFile::Common* ReplacementFile::Shared() const {
    return state_.get();
}

bool ReplacementFile::Begin(const std::string& target, std::string& errorText,
                            const ReplaceOptions& options) {
    Abandon();
    refusedNotRegular_ = false;
    if (target.empty() || target.find('\0') != std::string::npos) {
        errorText = SystemErrorText(ERROR_FILE_NOT_FOUND);
        return false;
    }
    auto s = std::make_unique<State>();
    s->target = target;
    bool exists = false;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (!IsReplaceable(target, exists, attributes)) {
        refusedNotRegular_ = true;
        errorText = "not a regular file";
        return false;
    }
    if (exists) {
        if (options.refuseReadOnly && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            errorText = SystemErrorText(ERROR_ACCESS_DENIED);
            return false;
        }
        s->old = {true, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), 0, 0};
    }
    s->wanted = s->old;
    size_t cut = target.find_last_of("\\/:");
    std::string directory = cut == std::string::npos ? "" : target.substr(0, cut + 1);
    DWORD seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        s->newName =
            directory + NewVersionName(target.substr(directory.size()), seed + attempt * 7919u);
        // Delete sharing lets the end-of-run cleanup remove the file while it is still open;
        // read sharing lets a preview read what was written.
        s->handle =
            CreateFileA(s->newName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (s->handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (s->handle == INVALID_HANDLE_VALUE) {
        errorText = SystemErrorText(GetLastError());
        return false;
    }
    s->registration = RegisterTempFile(-1, s->newName);
    s->buffer.reserve(kWriteBufferSize);
    state_ = std::move(s);
    return true;
}

bool ReplacementFile::Flush() {
    if (!state_ || state_->handle == INVALID_HANDLE_VALUE || state_->failed) {
        return false;
    }
    State& s = *state_;
    if (!s.buffer.empty()) {
        if (!WriteAll(s.handle, s.buffer.data(), s.buffer.size(), s.error)) {
            s.failed = true;
            return false;
        }
        s.buffer.clear();
    }
    return true;
}

bool ReplacementFile::Write(std::string_view bytes) {
    if (!state_ || state_->handle == INVALID_HANDLE_VALUE || state_->failed) {
        return false;
    }
    State& s = *state_;
    if (!BufferedWrite(s.buffer, s.published, bytes, [&s](std::string_view piece) {
            return WriteAll(s.handle, piece.data(), piece.size(), s.error);
        })) {
        s.failed = true;
        return false;
    }
    return true;
}

namespace {

bool Finish(ReplacementFile::State& s) {
    if (!s.failed && !FlushWriteBuffer(s.buffer, [&s](std::string_view piece) {
            return WriteAll(s.handle, piece.data(), piece.size(), s.error);
        })) {
        s.failed = true;
    }
    if (!s.failed && !FlushFileBuffers(s.handle)) {
        s.error = GetLastError();
        s.failed = true;
    }
    return !s.failed;
}

bool PutInPlace(ReplacementFile::State& s) {
    if (s.wanted.known) {
        SetFileAttributesA(s.newName.c_str(),
                           s.wanted.mode == 0 ? FILE_ATTRIBUTE_NORMAL : s.wanted.mode);
    }
    // A process that has the file open without delete sharing (a reader through the C
    // library, a login script testing the file) refuses the rename while it reads: such a
    // refusal is waited out for a moment before it counts.
    for (int tries = 0;; ++tries) {
        if (MoveFileExA(s.newName.c_str(), s.target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            break;
        }
        s.error = GetLastError();
        if ((s.error != ERROR_SHARING_VIOLATION && s.error != ERROR_ACCESS_DENIED) ||
            tries >= 100) {
            s.failed = true;
            return false;
        }
        Sleep(20);
    }
    s.placed = true;
    UnregisterTempFile(s.registration);
    s.registration = nullptr;
    return true;
}

}  // namespace

bool ReplacementFile::Commit(std::string& errorText) {
    if (!state_ || state_->handle == INVALID_HANDLE_VALUE) {
        errorText = SystemErrorText(ERROR_INVALID_HANDLE);
        return false;
    }
    State& s = *state_;
    bool ok = Finish(s);
    if (!CloseHandle(s.handle) && ok) {
        s.error = GetLastError();
        ok = false;
    }
    s.handle = INVALID_HANDLE_VALUE;
    ok = ok && PutInPlace(s);
    if (!ok) {
        errorText = SystemErrorText(s.error);
        Abandon();
        return false;
    }
    state_.reset();
    return true;
}

bool ReplacementFile::Publish(std::string& errorText) {
    if (!state_ || state_->handle == INVALID_HANDLE_VALUE) {
        errorText = SystemErrorText(ERROR_INVALID_HANDLE);
        return false;
    }
    // An open file cannot be moved over another on Windows: the log is written under its own
    // name from the start instead, through a handle created for it alone.
    State& s = *state_;
    if (!Finish(s)) {
        errorText = SystemErrorText(s.error);
        Abandon();
        return false;
    }
    CloseHandle(s.handle);
    s.handle = INVALID_HANDLE_VALUE;
    if (!PutInPlace(s)) {
        errorText = SystemErrorText(s.error);
        Abandon();
        return false;
    }
    s.handle = CreateFileA(s.target.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (s.handle == INVALID_HANDLE_VALUE) {
        errorText = SystemErrorText(GetLastError());
        state_.reset();
        return false;
    }
    s.published = true;
    return true;
}

bool ReplacementFile::Close(std::string& errorText) {
    if (!state_ || !state_->published) {
        return Commit(errorText);
    }
    State& s = *state_;
    bool ok = !s.failed;
    if (ok && !s.buffer.empty()) {
        ok = WriteAll(s.handle, s.buffer.data(), s.buffer.size(), s.error);
    }
    CloseHandle(s.handle);
    if (!ok) {
        errorText = SystemErrorText(s.error);
    }
    state_.reset();
    return ok;
}

void ReplacementFile::Abandon() {
    if (!state_ || state_->published) {
        return;
    }
    State& s = *state_;
    if (s.handle != INVALID_HANDLE_VALUE) {
        CloseHandle(s.handle);
    }
    if (!s.placed) {
        DeleteFileA(s.newName.c_str());
    }
    UnregisterTempFile(s.registration);
    state_.reset();
}

FilePermissions ReadPermissions(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return {};
    }
    return {true, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), 0, 0};
}

bool IsReadOnlyFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace rivel
