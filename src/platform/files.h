// File-system services: existence tests, deletion, renaming and unique temporary files.
#pragma once

#include <cstdio>
#include <string>

namespace rivel {

// True when the path names an existing file or directory.
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);

// Follows symbolic links at the last component of path and gives the name of the file they end
// at (the name itself when it is no link). False with errorText on a loop or an unreadable link.
// Windows has no such links here: the name is kept.
bool ResolveFileLinks(std::string& path, std::string& errorText);
std::string ResolvedFileName(const std::string& path);

// A text that is the same for two names of one file (device and inode on POSIX, the full path
// on Windows); "" when the file cannot be found.
std::string FileIdentity(const std::string& path);

// Opens a file to be read once from start to end (a command file, a file read for its values, a
// group file). A directory is refused, and so is a device that is neither a terminal nor the
// null device (its reading would never end). A pipe is read only once a program writes to it:
// a pipe that nothing writes to is waited for as long as a run waits for a lock, then refused.
// Nullptr with errorText when the file is not opened.
std::FILE* OpenReadStream(const std::string& path, std::string& errorText);

// Deletes a file. On failure returns false and sets errorText to the system's text for the cause.
bool RemoveFile(const std::string& path, std::string& errorText);

// Renames from over to, replacing an existing target in one step where the platform allows.
bool RenameFile(const std::string& from, const std::string& to, std::string& errorText);

// The system's text for the last failed file operation (errno on POSIX).
std::string LastErrorText();

// The system's text for an error code of the platform (errno values on POSIX).
std::string SystemErrorText(unsigned long code);

// Creates a new, empty file with a unique name in directory ("" = current directory). The file is
// created exclusively, so no other process can have taken the name between choice and creation.
// Returns the full path, or "" when no file could be created.
std::string CreateUniqueFile(const std::string& directory, const std::string& stem);

// The platform's directory separator ("\" on Windows, "/" elsewhere).
char PathSeparator();

// The platform's line end for new files ("\r\n" on Windows, "\n" elsewhere).
const char* NativeLineEnd();

// True when c separates path components on this platform.
bool IsPathSeparator(char c);

// True when an argument that starts with "/" names a file rather than an option: on POSIX, an
// argument with a second "/" before its first "=" (or anywhere, when it has no "="). Never on
// Windows, where "/" always starts an option.
bool IsSlashPathArgument(const std::string& argument);

}  // namespace rivel
