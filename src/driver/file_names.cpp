// File name preparation for the command line.
#include "driver/file_names.h"

#include "platform/files.h"

namespace rivel {

std::string CurrentDirPrefix(const std::string& name) {
    if (name.empty()) {
        return name;
    }
    bool hasDrive = PathSeparator() == '\\' && name.size() >= 2 && name[1] == ':';
    if (hasDrive) {
        return name;
    }
    for (char c : name) {
        if (IsPathSeparator(c)) {
            return name;
        }
    }
    return std::string(".") + PathSeparator() + name;
}

}  // namespace rivel
