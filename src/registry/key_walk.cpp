// The depth-first walk of a registry key tree.
#include "registry/key_walk.h"

#include "base/message_log.h"

namespace rivel {

bool KeyWalk::Down(RunContext& run, const RunOptions& options) {
    std::string name;
    while (levels_.size() <= kMaxKeyWalkDepth &&
           reg_.EnumKey(levels_.back().key, levels_.back().next, name) == kErrorSuccess) {
        ++levels_.back().next;
        RegKey sub = 0;
        if (reg_.OpenKey(levels_.back().key, name, access_, sub) != kErrorSuccess) {
            LogMessage(run.log, options.VerboseMode, 3, openFailed_, name);
            continue;
        }
        levels_.push_back({sub, 0, std::move(name)});
        return true;
    }
    return false;
}

bool KeyWalk::Up() {
    if (levels_.size() <= 1) {
        return false;
    }
    reg_.CloseKey(levels_.back().key);
    levels_.pop_back();
    return true;
}

std::string KeyWalk::Path() const {
    std::string path;
    for (size_t i = 1; i < levels_.size(); ++i) {
        path += levels_[i].name + "\\";
    }
    return path;
}

}  // namespace rivel
