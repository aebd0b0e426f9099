// Win32 work file names: "~rvl" and digits ".tmp" for a new version, "rvg" and eight hex digits
// ".tmp" for a group's text (CreateUniqueFile), "<name>.rvlock" for an edit lock. Windows
// compares them without regard to case.
#include "platform/work_files.h"

#include "platform/dir_search.h"

namespace rivel {

namespace {
bool Between(const std::string& text, size_t from, size_t to, bool (*test)(char)) {
    for (size_t i = from; i < to; ++i) {
        if (!test(text[i])) {
            return false;
        }
    }
    return from < to;
}
bool StartsWithFolded(const std::string& text, const std::string& head) {
    return text.size() >= head.size() && WildcardMatchCase(head, text.substr(0, head.size()), true);
}
bool EndsWithFolded(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           WildcardMatchCase(tail, text.substr(text.size() - tail.size()), true);
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

const std::string kNewVersionStem = "~rvl";
const std::string kTempExtension = ".tmp";
const std::string kLockExtension = ".rvlock";
}  // namespace

std::string NewVersionName(const std::string&, unsigned long seed) {
    return kNewVersionStem + std::to_string(seed & 0xffffffu) + kTempExtension;
}

std::string LockFileName(const std::string& fullName) {
    return fullName + kLockExtension;
}

bool IsWorkFileName(const std::string& name) {
    const size_t size = name.size();
    if (EndsWithFolded(name, kLockExtension)) {
        return true;
    }
    if (!EndsWithFolded(name, kTempExtension)) {
        return false;
    }
    const size_t end = size - kTempExtension.size();
    if (StartsWithFolded(name, kNewVersionStem)) {
        return Between(name, kNewVersionStem.size(), end, IsDigit);
    }
    // CreateUniqueFile's eight hex digits after the stem.
    const std::string stem = kGroupTextStem;
    return size == stem.size() + 8 + kTempExtension.size() && StartsWithFolded(name, stem) &&
           Between(name, stem.size(), end, IsHexDigit);
}

}  // namespace rivel
