// Replacing a file whole: every file RIVEL writes gets its new contents through here. The new
// version is a file that only this run created (exclusively, in the target's own directory),
// written and flushed to the disk through its own handle, given the old file's owner and mode
// through that handle and then renamed over the target in one step; the directory is flushed
// after. No name that another user could swap is ever opened again, changed or followed, so
// whatever fails or whoever races, the target has its old bytes or the new ones.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace rivel {

struct ReplaceOptions {
    // A symbolic link at the target's name is followed (the file it names is replaced); when
    // false the link itself is replaced by the new file.
    bool followLink = true;
    // A target without any write permission is refused, as opening it for writing would be.
    bool refuseReadOnly = true;
    // With followLink false: a symbolic link at the target's name is refused instead of being
    // replaced (a name such as /dev/stdout, or one that links a log into another place).
    bool refuseLink = false;
};

// The owner and mode a new file is given; taken from the old target when there is one.
struct FilePermissions {
    bool known = false;
    uint32_t mode = 0;
    uint32_t owner = 0;
    uint32_t group = 0;
};

// The owner and mode of an existing file (known = false when it cannot be read).
FilePermissions ReadPermissions(const std::string& path);

class ReplacementFile {
  public:
    ReplacementFile();
    ~ReplacementFile();  // abandons a version that was neither committed nor published
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Starts a new version of target. False with errorText when the target is not a regular
    // file (RefusedNotRegular() then tells so), is read-only, or no new file can be created
    // beside it; nothing is changed then.
    bool Begin(const std::string& target, std::string& errorText,
               const ReplaceOptions& options = {});
    bool IsOpen() const;
    bool RefusedNotRegular() const { return refusedNotRegular_; }

    // The name of the new file while it is being written, and the resolved target's name.
    const std::string& NewName() const;
    const std::string& Target() const;

    // The owner and mode of the target as it was found by Begin (known = false for a new file).
    const FilePermissions& OldPermissions() const;
    // Gives the new file these instead (a backup takes its INI file's).
    void UsePermissions(const FilePermissions& permissions);

    // Appends bytes (buffered). False once any write has failed; the failure is kept.
    bool Write(std::string_view bytes);
    bool Failed() const;
    // Writes out what is buffered, so that the new file can be read under NewName().
    bool Flush();

    // Flushes the new file to the disk and renames it over the target. False with errorText
    // when anything failed; the target is then unchanged and the new file removed.
    bool Commit(std::string& errorText);

    // Like Commit, but the file stays open: later writes go on through the same handle (a log
    // file, visible while it grows). Close() ends it.
    bool Publish(std::string& errorText);
    bool Close(std::string& errorText);

    // Removes the new file; the target is unchanged.
    void Abandon();

    struct Common;
    struct State;

  private:
    // The common part of state_, or nullptr when no version is in progress.
    Common* Shared() const;

    std::unique_ptr<State> state_;
    bool refusedNotRegular_ = false;
};

// Puts a copy of source in place of target through a ReplacementFile. An existing target keeps
// its owner and mode; a new one takes the source's. On failure target is unchanged and errorText
// holds the reason.
bool ReplaceFileWith(const std::string& source, const std::string& target, std::string& errorText,
                     const ReplaceOptions& options = {true, false});

// True when the file exists and is marked read-only (no write permission bit at all, or not
// writable by this process).
bool IsReadOnlyFile(const std::string& path);

}  // namespace rivel
