// A file read at any position through a handle kept open: a large file can be read once from
// end to end and then again piece by piece where it is needed, without being held in memory.
// The handle keeps reading the file it opened even after another program has put a new file in
// its place under the same name. On Windows, where a file held open cannot be replaced under its
// name, the file is instead read whole when it is opened and closed at once.
#pragma once

#include <cstdint>
#include <string>

namespace rivel {

class SourceFile {
  public:
    SourceFile() = default;
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // Opens path for reading. False with errorText when it cannot be opened or is a directory.
    bool Open(const std::string& path, std::string& errorText);
    bool IsOpen() const { return handle_ != kClosed || held_; }

    // Reads up to size bytes at offset into data: the count read, 0 at the end of the file, or
    // -1 when the read failed.
    int64_t ReadAt(uint64_t offset, char* data, size_t size);

    // The descriptor on POSIX; kClosed on Windows, where the file is read when it is opened.
    intptr_t Handle() const { return handle_; }

    static constexpr intptr_t kClosed = -1;

  private:
    intptr_t handle_ = kClosed;
    bool held_ = false;  // Windows: the file's bytes are in heldBytes_
    std::string heldBytes_;
};

}  // namespace rivel
