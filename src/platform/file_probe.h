// Facts about files that another program's use of them shows: a file's identity on its device,
// whether someone holds a lock on it, and the user this process runs as. Used to tell whether
// another program keeps files in memory that it will write back later.
#pragma once

#include <cstdint>
#include <string>

namespace rivel {

// The device and inode numbers of path. False where files have no such numbers (Windows) or
// the path does not exist.
bool GetFileIdentity(const std::string& path, uint64_t& device, uint64_t& inode);

// True when another process holds an fcntl write lock on any part of the file. False when the
// file is missing, cannot be opened or nobody holds such a lock (and always on Windows).
bool IsFileLockedByOther(const std::string& path);

// The numeric id of the user this process runs as; 0 where there is none.
uint64_t CurrentUserId();

}  // namespace rivel
