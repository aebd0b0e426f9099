// Test-only fault injection for the program under test, loaded with LD_PRELOAD (Linux). It
// stands in front of the C library's file calls, counts them by kind and makes one of them fail:
//   RIVEL_FAULT_CALL   the kind: write, fsync, close, fchmod, fchown, rename, create, open, read
//   RIVEL_FAULT_AT     which call of that kind fails (1 = the first)
//   RIVEL_FAULT_ERRNO  the error it fails with: a name such as ENOSPC, or SHORT (a write that
//                      writes only half of its bytes and says so) or EINTR (an interrupted call)
//   RIVEL_FAULT_COUNT_FILE  at the end of the process, "<kind> <count>" lines go to this file
// "create" counts the opens that may create a file (O_CREAT, fopen for writing, mkstemp); "open"
// counts every open, creating or not. Every call of a kind in the process is counted, whatever
// file it is on: the test learns the counts from a clean run and makes each call fail in turn.
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <string>

namespace {

enum Kind { kWrite, kFsync, kClose, kFchmod, kFchown, kRename, kCreate, kOpen, kRead, kKinds };
const char* const kKindNames[kKinds] = {"write",  "fsync",  "close", "fchmod", "fchown",
                                        "rename", "create", "open",  "read"};

constexpr int kShort = -1;  // RIVEL_FAULT_ERRNO=SHORT

struct Config {
    std::atomic<bool> ready{false};
    int kind = -1;
    long at = 0;
    int error = 0;
    pid_t pid = 0;
    char countFile[4096] = {};
};

Config config;
std::atomic<long> counts[kKinds];

int ErrorNumber(const char* name) {
    static const struct {
        const char* name;
        int number;
    } known[] = {{"SHORT", kShort}, {"EINTR", EINTR},   {"EIO", EIO},        {"ENOSPC", ENOSPC},
                 {"EFBIG", EFBIG},  {"EDQUOT", EDQUOT}, {"EROFS", EROFS},    {"EACCES", EACCES},
                 {"EPERM", EPERM},  {"ENOENT", ENOENT}, {"EXDEV", EXDEV},    {"EMFILE", EMFILE},
                 {"EBUSY", EBUSY},  {"ENOMEM", ENOMEM}, {"ENOTDIR", ENOTDIR}};
    for (const auto& k : known) {
        if (strcmp(name, k.name) == 0) {
            return k.number;
        }
    }
    return atoi(name);
}

// Reads the settings once; the first intercepted call may come before the constructor runs.
void Configure() {
    if (config.ready.load()) {
        return;
    }
    config.pid = getpid();
    const char* call = getenv("RIVEL_FAULT_CALL");
    const char* at = getenv("RIVEL_FAULT_AT");
    const char* error = getenv("RIVEL_FAULT_ERRNO");
    if (call != nullptr && at != nullptr) {
        for (int k = 0; k < kKinds; ++k) {
            if (strcmp(call, kKindNames[k]) == 0) {
                config.kind = k;
            }
        }
        config.at = atol(at);
        config.error = error != nullptr ? ErrorNumber(error) : EIO;
    }
    const char* countFile = getenv("RIVEL_FAULT_COUNT_FILE");
    if (countFile != nullptr && strlen(countFile) < sizeof config.countFile) {
        strcpy(config.countFile, countFile);
    }
    config.ready.store(true);
}

// Counts a call of the kind; true (with the error to give) when this is the one that fails.
bool Fails(Kind kind, int& error) {
    Configure();
    long n = ++counts[kind];
    if (config.kind != kind || n != config.at) {
        return false;
    }
    error = config.error;
    return true;
}

// A failing call: errno set, the failure value returned.
template <typename T>
T Failure(int error, T value) {
    errno = error == kShort ? EIO : error;
    return value;
}

template <typename F>
F Next(F& slot, const char* name) {
    if (slot == nullptr) {
        slot = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    }
    return slot;
}
#define NEXT(name) Next(next_##name, #name)

bool Creates(int flags) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

bool CreatesMode(const char* mode) {
    return mode != nullptr && (strchr(mode, 'w') != nullptr || strchr(mode, 'a') != nullptr);
}

// The open counts: every open, and the ones that may create a file as well.
bool OpenFails(bool creates, int& error) {
    bool fails = Fails(kOpen, error);
    if (creates) {
        int createError = 0;
        if (Fails(kCreate, createError)) {
            error = createError;
            fails = true;
        }
    }
    return fails;
}

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);
using OpenCheckFn = int (*)(const char*, int);
using OpenAtCheckFn = int (*)(int, const char*, int);
using FopenFn = FILE* (*)(const char*, const char*);
using MkstempFn = int (*)(char*);
using MkostempFn = int (*)(char*, int);
using WriteFn = ssize_t (*)(int, const void*, size_t);
using ReadFn = ssize_t (*)(int, void*, size_t);
using ReadCheckFn = ssize_t (*)(int, void*, size_t, size_t);
using PreadFn = ssize_t (*)(int, void*, size_t, off_t);
using Pread64Fn = ssize_t (*)(int, void*, size_t, off64_t);
using FreadFn = size_t (*)(void*, size_t, size_t, FILE*);
using FdFn = int (*)(int);
using FchmodFn = int (*)(int, mode_t);
using FchownFn = int (*)(int, uid_t, gid_t);
using RenameFn = int (*)(const char*, const char*);
using RenameAtFn = int (*)(int, const char*, int, const char*);
using RenameAt2Fn = int (*)(int, const char*, int, const char*, unsigned);

OpenFn next_open, next_open64;
OpenAtFn next_openat, next_openat64;
OpenCheckFn next___open_2, next___open64_2;
OpenAtCheckFn next___openat_2, next___openat64_2;
FopenFn next_fopen, next_fopen64;
MkstempFn next_mkstemp, next_mkstemp64;
MkostempFn next_mkostemp, next_mkostemp64;
WriteFn next_write;
ReadFn next_read;
ReadCheckFn next___read_chk;
PreadFn next_pread;
Pread64Fn next_pread64;
FreadFn next_fread;
FdFn next_fsync, next_fdatasync, next_close;
FchmodFn next_fchmod;
FchownFn next_fchown;
RenameFn next_rename;
RenameAtFn next_renameat;
RenameAt2Fn next_renameat2;

// Calls next with the arguments, unless this call of the kind is the one to fail.
template <typename R, typename F, typename... Args>
R Call(Kind kind, R failed, F next, Args... args) {
    int error = 0;
    if (Fails(kind, error)) {
        return Failure(error, failed);
    }
    return next(args...);
}

// The same for an open, which counts as an open and, when it may create a file, as a create.
template <typename R, typename F, typename... Args>
R OpenCall(bool creates, R failed, F next, Args... args) {
    int error = 0;
    if (OpenFails(creates, error)) {
        return Failure(error, failed);
    }
    return next(args...);
}

// The mode argument of an open that may create a file (there is none otherwise).
#define CREATION_MODE(flags)                                \
    mode_t mode = 0;                                        \
    if (Creates(flags)) {                                   \
        va_list arguments;                                  \
        va_start(arguments, flags);                         \
        mode = static_cast<mode_t>(va_arg(arguments, int)); \
        va_end(arguments);                                  \
    }

// The counts, written with system calls of its own so that they count nothing themselves.
__attribute__((destructor)) void WriteCounts() {
    Configure();
    if (config.countFile[0] == '\0' || getpid() != config.pid) {
        return;
    }
    std::string text;
    for (int k = 0; k < kKinds; ++k) {
        text += std::string(kKindNames[k]) + " " + std::to_string(counts[k].load()) + "\n";
    }
    long fd = syscall(SYS_openat, AT_FDCWD, config.countFile,
                      O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    syscall(SYS_write, fd, text.data(), text.size());
    syscall(SYS_close, fd);
}

// Programs this process starts run without the faults.
__attribute__((constructor)) void Start() {
    Configure();
    unsetenv("LD_PRELOAD");
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    CREATION_MODE(flags);
    return OpenCall(Creates(flags), -1, NEXT(open), path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    CREATION_MODE(flags);
    return OpenCall(Creates(flags), -1, NEXT(open64), path, flags, mode);
}

int openat(int directory, const char* path, int flags, ...) {
    CREATION_MODE(flags);
    return OpenCall(Creates(flags), -1, NEXT(openat), directory, path, flags, mode);
}

int openat64(int directory, const char* path, int flags, ...) {
    CREATION_MODE(flags);
    return OpenCall(Creates(flags), -1, NEXT(openat64), directory, path, flags, mode);
}

// The checked opens of a build with _FORTIFY_SOURCE (never with O_CREAT).
int __open_2(const char* path, int flags) {
    return OpenCall(false, -1, NEXT(__open_2), path, flags);
}

int __open64_2(const char* path, int flags) {
    return OpenCall(false, -1, NEXT(__open64_2), path, flags);
}

int __openat_2(int directory, const char* path, int flags) {
    return OpenCall(false, -1, NEXT(__openat_2), directory, path, flags);
}

int __openat64_2(int directory, const char* path, int flags) {
    return OpenCall(false, -1, NEXT(__openat64_2), directory, path, flags);
}

FILE* fopen(const char* path, const char* mode) {
    return OpenCall(CreatesMode(mode), static_cast<FILE*>(nullptr), NEXT(fopen), path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    return OpenCall(CreatesMode(mode), static_cast<FILE*>(nullptr), NEXT(fopen64), path, mode);
}

// The C library makes these files through calls of its own that no preload can see.
int mkstemp(char* pattern) {
    return OpenCall(true, -1, NEXT(mkstemp), pattern);
}

int mkstemp64(char* pattern) {
    return OpenCall(true, -1, NEXT(mkstemp64), pattern);
}

int mkostemp(char* pattern, int flags) {
    return OpenCall(true, -1, NEXT(mkostemp), pattern, flags);
}

int mkostemp64(char* pattern, int flags) {
    return OpenCall(true, -1, NEXT(mkostemp64), pattern, flags);
}

ssize_t write(int fd, const void* data, size_t size) {
    int error = 0;
    if (Fails(kWrite, error)) {
        if (error != kShort || size < 2) {
            return Failure<ssize_t>(error, -1);
        }
        size /= 2;  // a short write: the caller must write the rest itself
    }
    return NEXT(write)(fd, data, size);
}

ssize_t read(int fd, void* data, size_t size) {
    return Call(kRead, ssize_t{-1}, NEXT(read), fd, data, size);
}

ssize_t __read_chk(int fd, void* data, size_t size, size_t room) {
    return Call(kRead, ssize_t{-1}, NEXT(__read_chk), fd, data, size, room);
}

// Reads at a position (the registry files are read so, piece by piece).
ssize_t pread(int fd, void* data, size_t size, off_t offset) {
    return Call(kRead, ssize_t{-1}, NEXT(pread), fd, data, size, offset);
}

ssize_t pread64(int fd, void* data, size_t size, off64_t offset) {
    return Call(kRead, ssize_t{-1}, NEXT(pread64), fd, data, size, offset);
}

// The stream's own reads cannot be seen from outside: a failing fread reads nothing and marks
// the stream as failed, as a read error of the stream would.
size_t fread(void* data, size_t size, size_t count, FILE* stream) {
    int error = 0;
    if (Fails(kRead, error)) {
        stream->_flags |= _IO_ERR_SEEN;
        return Failure<size_t>(error, 0);
    }
    return NEXT(fread)(data, size, count, stream);
}

int fsync(int fd) {
    return Call(kFsync, -1, NEXT(fsync), fd);
}

int fdatasync(int fd) {
    return Call(kFsync, -1, NEXT(fdatasync), fd);
}

// A close that reports a failed write-back (as NFS does); the descriptor is closed all the same.
int close(int fd) {
    int error = 0;
    if (Fails(kClose, error)) {
        NEXT(close)(fd);
        return Failure(error, -1);
    }
    return NEXT(close)(fd);
}

int fchmod(int fd, mode_t mode) {
    return Call(kFchmod, -1, NEXT(fchmod), fd, mode);
}

int fchown(int fd, uid_t owner, gid_t group) {
    return Call(kFchown, -1, NEXT(fchown), fd, owner, group);
}

int rename(const char* from, const char* to) {
    return Call(kRename, -1, NEXT(rename), from, to);
}

int renameat(int fromDirectory, const char* from, int toDirectory, const char* to) {
    return Call(kRename, -1, NEXT(renameat), fromDirectory, from, toDirectory, to);
}

int renameat2(int fromDirectory, const char* from, int toDirectory, const char* to,
              unsigned flags) {
    return Call(kRename, -1, NEXT(renameat2), fromDirectory, from, toDirectory, to, flags);
}

}  // extern "C"
