// The stored commands indexed by section, so that the rewrite pass looks only at the commands of
// the section it is in: its cost grows with lines plus commands, not lines times commands.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "inicmd/command_list.h"

namespace rivel {

// The lookups of a pass live in one arena that is given back whole when the pass ends: tens of
// thousands of small maps and lists, freed one by one, would cost a good part of the run.
using Positions = std::pmr::vector<size_t>;

// Maps with text keys that are looked up by any text (std::string_view) without a copy.
struct TextKeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const noexcept {
        return std::hash<std::string_view>{}(text);
    }
};
template <typename Value>
using TextKeyMap = std::pmr::unordered_map<std::pmr::string, Value, TextKeyHash, std::equal_to<>>;

// The entry of `map` for key, or nullptr.
template <typename Value>
const Value* FindText(const TextKeyMap<Value>& map, std::string_view key) {
    auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

// The numbered-key commands (!, ~, and their value forms) of one key stem, arranged so that a
// key line finds the ones that can act on it without looking at all of them: a section may hold
// thousands of them (one per file of a list).
struct NumberedGroup {
    using allocator_type = std::pmr::polymorphic_allocator<>;
    explicit NumberedGroup(const allocator_type& arena = {})
        : always(arena), byValue(arena), addsByKey(arena) {}

    // Positions (ascending, indexes into `records`) of the commands that act on every key
    // of the stem, whatever its value.
    Positions always;
    // UpperCase(value) -> positions of the commands that act only on that value.
    TextKeyMap<Positions> byValue;
    // Key as spelled -> positions of its numbered adds, whose next number they share.
    std::pmr::vector<std::pair<std::pmr::string, Positions>> addsByKey;
};

// The commands of one section.
struct SectionCommands {
    using allocator_type = std::pmr::polymorphic_allocator<>;
    explicit SectionCommands(const allocator_type& arena = {})
        : records(arena), byKey(arena), byNumberedKey(arena), numbered(arena), byKeyPlain(arena) {}

    // Positions in CommandList, in list (CMD-file) order.
    Positions records;
    // UpperCase(key) -> indexes into `records` (ascending) of the commands that act on key lines,
    // so that a key line meets only the commands of its own key.
    TextKeyMap<Positions> byKey;
    // The same for the numbered-key commands (!, ~), which also match key<digits>.
    TextKeyMap<Positions> byNumberedKey;
    // The same commands by key stem, arranged for quick lookup; and `byKey` without them.
    TextKeyMap<NumberedGroup> numbered;
    TextKeyMap<Positions> byKeyPlain;
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
    // First, so that it goes last.
    std::unique_ptr<std::pmr::monotonic_buffer_resource> arena =
        std::make_unique<std::pmr::monotonic_buffer_resource>();
    // UpperCase(section) -> its commands.
    TextKeyMap<SectionCommands> commands{arena.get()};
    // Section -> positions in ReplaceList, in list order; "[]" records are kept apart in `all`.
    TextKeyMap<Positions> replaces{arena.get()};
    std::vector<size_t> replacesEverywhere;

    const SectionCommands& CommandsOf(std::string_view upperSection) const;
    const Positions& ReplacesOf(std::string_view upperSection) const;
};

SectionIndex BuildSectionIndex(const CommandStore& store);

}  // namespace rivel
