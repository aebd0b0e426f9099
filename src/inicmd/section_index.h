// The stored commands indexed by section, so that the rewrite pass looks only at the commands of
// the section it is in: its cost grows with lines plus commands, not lines times commands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "inicmd/command_list.h"

namespace rivel {

// The numbered-key commands (!, ~, and their value forms) of one key stem, arranged so that a
// key line finds the ones that can act on it without looking at all of them: a section may hold
// thousands of them (one per file of a list).
struct NumberedGroup {
    // Positions (ascending, indexes into `records`) of the commands that act on every key
    // of the stem, whatever its value.
    std::vector<size_t> always;
    // UpperCase(value) -> positions of the commands that act only on that value.
    std::unordered_map<std::string, std::vector<size_t>> byValue;
    // Key as spelled -> positions of its numbered adds, whose next number they share.
    std::vector<std::pair<std::string, std::vector<size_t>>> addsByKey;
};

// The commands of one section.
struct SectionCommands {
    // Positions in CommandList, in list (CMD-file) order.
    std::vector<size_t> records;
    // UpperCase(key) -> indexes into `records` (ascending) of the commands that act on key lines,
    // so that a key line meets only the commands of its own key.
    std::unordered_map<std::string, std::vector<size_t>> byKey;
    // The same for the numbered-key commands (!, ~), which also match key<digits>.
    std::unordered_map<std::string, std::vector<size_t>> byNumberedKey;
    // The same commands by key stem, arranged for quick lookup; and `byKey` without them.
    std::unordered_map<std::string, NumberedGroup> numbered;
    std::unordered_map<std::string, std::vector<size_t>> byKeyPlain;
    // Key as spelled -> the highest number its numbered adds have met in this pass: the
    // number after it is the one the next add takes.
    mutable std::unordered_map<std::string, int32_t> highestNumber;
    // One bit for each key of `byKey` and stem of `byNumberedKey`, set at KeyFilterBit: a key
    // line whose bits are clear has no command, found without a lookup in the maps (most key
    // lines of a section are not named by any command).
    uint64_t keyFilter[4] = {0, 0, 0, 0};

    bool MayHold(uint32_t bit) const { return (keyFilter[bit >> 6] >> (bit & 63)) & 1; }
};

// The filter bit of an upper-case key: a hash of its characters, fed one at a time from
// kKeyFilterStart through NextKeyFilterHash, so that a key and its stem take one pass.
inline constexpr uint32_t kKeyFilterStart = 2166136261u;
inline uint32_t NextKeyFilterHash(uint32_t hash, char c) {
    return (hash ^ static_cast<unsigned char>(c)) * 16777619u;
}
inline uint32_t KeyFilterBit(uint32_t hash) {
    return (hash ^ (hash >> 8) ^ (hash >> 16)) & 255;
}
uint32_t KeyFilterBit(std::string_view upperKey);

struct SectionIndex {
    // UpperCase(section) -> its commands.
    std::unordered_map<std::string, SectionCommands> commands;
    // Section -> positions in ReplaceList, in list order; "[]" records are kept apart in `all`.
    std::unordered_map<std::string, std::vector<size_t>> replaces;
    std::vector<size_t> replacesEverywhere;

    const SectionCommands& CommandsOf(const std::string& upperSection) const;
    const std::vector<size_t>& ReplacesOf(const std::string& upperSection) const;
};

SectionIndex BuildSectionIndex(const CommandStore& store);

}  // namespace rivel
