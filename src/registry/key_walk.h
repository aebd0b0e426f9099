// A depth-first walk down a registry key tree from a start key. The keys on the way down are
// kept open on a list of their own instead of the stack, so that a tree of any depth is walked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/run_context.h"
#include "platform/registry.h"

namespace rivel {

// Key trees are walked no deeper than this below their start key: far deeper than keys nest on
// Windows or in Wine's files in practice, but a bound should links lead round in a circle.
inline constexpr size_t kMaxKeyWalkDepth = size_t{1} << 16;

class KeyWalk {
  public:
    // Subkeys are opened with access; openFailed labels the message of one that cannot be.
    KeyWalk(RegistryService& reg, RegKey start, RegAccess access, const char* openFailed)
        : reg_(reg), access_(access), openFailed_(openFailed) {
        levels_.push_back({start, 0, {}});
    }
    // Closes the keys below the start key; the start key stays the caller's.
    ~KeyWalk() {
        while (Up()) {
        }
    }
    KeyWalk(const KeyWalk&) = delete;
    KeyWalk& operator=(const KeyWalk&) = delete;

    // Opens the next subkey of the deepest key and goes down to it; false when it has no more
    // (or the walk is as deep as it goes), and the walk must go up. A subkey that cannot be
    // opened is reported at level 3 and passed over.
    bool Down(RunContext& run, const RunOptions& options);
    // Closes the deepest key and goes back to its parent; false at the start key.
    bool Up();
    RegKey Current() const { return levels_.back().key; }
    // The names of the keys below the start key down to the current one, each followed by "\".
    std::string Path() const;

  private:
    struct Level {
        RegKey key;
        uint32_t next;  // the index of the next subkey to go down to
        std::string name;
    };
    RegistryService& reg_;
    RegAccess access_;
    const char* openFailed_;
    std::vector<Level> levels_;
};

}  // namespace rivel
