// POSIX work file names: ".<name>.rvl" and eight letters or digits for a new version, a hidden
// name that sorts beside the file it replaces; a group's text as mkstemp names it.
#include "platform/work_files.h"

namespace rivel {

namespace {
bool AllOf(const std::string& text, size_t from, bool (*test)(char)) {
    for (size_t i = from; i < text.size(); ++i) {
        if (!test(text[i])) {
            return false;
        }
    }
    return true;
}

constexpr char kSuffixLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kSuffixLength = 8;
// Kept short enough for any file system's name limit.
constexpr size_t kBaseNameKept = 200;
}  // namespace

std::string NewVersionName(const std::string& baseName, unsigned long seed) {
    std::string name = ".";
    name.append(baseName, 0, kBaseNameKept);
    name += ".rvl";
    for (size_t i = 0; i < kSuffixLength; ++i) {
        name += kSuffixLetters[seed % 36];
        seed = seed / 36 + (seed << 7) + 12345;
    }
    return name;
}

bool IsWorkFileName(const std::string& name) {
    const size_t size = name.size();
    if (size > 5 + kSuffixLength && name[0] == '.' &&
        name.compare(size - kSuffixLength - 4, 4, ".rvl") == 0 &&
        AllOf(name, size - kSuffixLength,
              [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); })) {
        return true;
    }
    // mkstemp's six letters and digits after the stem.
    const std::string stem = kGroupTextStem;
    return size == stem.size() + 6 && name.compare(0, stem.size(), stem) == 0 &&
           AllOf(name, stem.size(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
           });
}

}  // namespace rivel
