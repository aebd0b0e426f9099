// What replacing a file does alike on every platform, and replacing a file by a copy of another.
#include <cstdio>
#include <vector>

#include "platform/file_replace.h"
#include "platform/file_replace_state.h"
#include "platform/files.h"

namespace rivel {

const std::string& ReplacementFile::NewName() const {
    static const std::string none;
    return Shared() != nullptr ? Shared()->newName : none;
}

const std::string& ReplacementFile::Target() const {
    static const std::string none;
    return Shared() != nullptr ? Shared()->target : none;
}

const FilePermissions& ReplacementFile::OldPermissions() const {
    static const FilePermissions none;
    return Shared() != nullptr ? Shared()->old : none;
}

void ReplacementFile::UsePermissions(const FilePermissions& permissions) {
    if (Common* common = Shared()) {
        common->wanted = permissions;
    }
}

bool ReplacementFile::Failed() const {
    return Shared() == nullptr || Shared()->failed;
}

bool ReplaceFileWith(const std::string& source, const std::string& target, std::string& errorText,
                     const ReplaceOptions& options) {
    std::FILE* in = OpenReadStream(source, errorText);
    if (in == nullptr) {
        return false;
    }
    ReplacementFile out;
    if (!out.Begin(target, errorText, options)) {
        std::fclose(in);
        return false;
    }
    if (!out.OldPermissions().known) {
        out.UsePermissions(ReadPermissions(source));
    }
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
        if (n > 0 && !out.Write(std::string_view(buffer.data(), n))) {
            break;
        }
        if (n < buffer.size()) {
            if (std::ferror(in) != 0) {
                errorText = LastErrorText();
                ok = false;
            }
            break;
        }
    }
    std::fclose(in);
    if (!ok) {
        return false;
    }
    return out.Commit(errorText);
}

}  // namespace rivel
