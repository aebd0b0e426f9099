// Replacing a file whole: the new contents are written to a new file beside the old one and
// renamed over it, so that whatever fails the file has either its old bytes or the new ones.
#pragma once

#include <string>

namespace rivel {

// Puts a copy of source in place of target. The new target keeps the old one's permission bits
// (and owner where allowed); a new target gets the default ones. A symbolic link is followed:
// the file it names is replaced. On failure target is unchanged, nothing is left beside it, and
// errorText holds the reason.
bool ReplaceFileWith(const std::string& source, const std::string& target, std::string& errorText);

// The same, but when source is on the same volume as target it is moved into place instead of
// copied (it is then gone afterwards); otherwise it is copied and left as it is.
bool MoveOrReplaceFileWith(const std::string& source, const std::string& target,
                           std::string& errorText);

// Gives `to` the permission bits of `from` (a backup must not be more readable than its file).
// Does nothing where files have no such bits, or when either file is missing.
void CopyPermissionBits(const std::string& from, const std::string& to);

// True when the file exists and is marked read-only (no write permission bit at all, or not
// writable by this process).
bool IsReadOnlyFile(const std::string& path);

}  // namespace rivel
