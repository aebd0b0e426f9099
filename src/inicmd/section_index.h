// The stored commands indexed by section, so that the rewrite pass looks only at the commands of
// the section it is in: its cost grows with lines plus commands, not lines times commands.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "inicmd/command_list.h"
#include "inicmd/list_table.h"

namespace rivel {

// Ascending numbers: positions in a command list, or indexes into a section's `records`.
using Positions = std::span<const uint32_t>;

// The hash of an upper-case key (SectionIndex::KeyHash): its characters fed one at a time from
// kKeyFilterStart through NextKeyFilterHash, so that a key and its stem take one pass.
inline constexpr uint32_t kKeyFilterStart = 2166136261u;
inline uint32_t NextKeyFilterHash(uint32_t hash, char c) {
    return (hash ^ static_cast<unsigned char>(c)) * 16777619u;
}

struct SectionIndex;

// The commands of one section, and the lookups of its keys.
struct SectionCommands {
    const SectionIndex* index = nullptr;
    uint32_t id = ListTable::kNone;
    // Positions in CommandList, in list (CMD-file) order.
    Positions records;
    // Whether it holds numbered-key commands (!, ~, and their value forms).
    bool hasNumbered = false;
    // Two bits for each key of its key-line commands and stem of its numbered-key commands,
    // picked by its KeyHash: a key line whose two bits are not both set has no command, found
    // without a lookup (most key lines of a section are not named by any command).
    uint64_t keyFilter[4] = {0, 0, 0, 0};

    static uint32_t FilterBit(uint32_t keyHash, int which) {
        return (which == 0 ? keyHash ^ (keyHash >> 8) ^ (keyHash >> 16)
                           : (keyHash >> 24) ^ (keyHash >> 11)) &
               255;
    }
    bool MayHold(uint32_t keyHash) const {
        const uint32_t a = FilterBit(keyHash, 0), b = FilterBit(keyHash, 1);
        return (keyFilter[a >> 6] >> (a & 63)) & (keyFilter[b >> 6] >> (b & 63)) & 1;
    }
    void AddToFilter(uint32_t keyHash) {
        for (int which : {0, 1}) {
            const uint32_t bit = FilterBit(keyHash, which);
            keyFilter[bit >> 6] |= uint64_t{1} << (bit & 63);
        }
    }
    // Its run of SectionIndex::keys.
    uint32_t keysBegin = 0, keysEnd = 0;

    // Indexes into `records` (ascending) of the commands that act on the key lines of
    // upperKey, so that a key line meets only the commands of its own key; empty when none.
    Positions ByKey(std::string_view upperKey) const;
    // The same for a key as spelled in a line, given the KeyHash of its upper-case form.
    Positions ByKey(std::string_view key, uint32_t keyHash) const;
    // Whether numbered-key commands (which also match stem<digits>) name this stem (as spelled
    // in a line; stemHash is the KeyHash of its upper-case form).
    bool HasNumberedKey(std::string_view stem, uint32_t stemHash) const;
    // The numbered-key commands of one stem (see SectionIndex), or ListTable::kNone.
    uint32_t NumberedGroup(std::string_view upperStem) const;
};

// All the lookups of a pass: sections, replace commands and numbered-key groups in one flat
// table, the keys of each section in one sorted run. The numbered-key commands of one key stem
// are arranged so that a key line finds the ones that can act on it without looking at all of
// them: a section may hold thousands of them (one per file of a list).
struct SectionIndex {
    SectionIndex() = default;
    // Its sections point back at it.
    SectionIndex(const SectionIndex&) = delete;
    SectionIndex& operator=(const SectionIndex&) = delete;

    // The kinds of list in `table`.
    enum Kind : uint8_t {
        kSection,        // UpperCase(section) -> positions in CommandList
        kKey,            // a key of a section (in `keys`, not in the table)
        kGroup,          // (section, stem) -> the numbered-key commands of the stem that act on
                         // every key of it, whatever its value
        kGroupValue,     // (group, UpperCase(value)) -> those that act only on that value
        kGroupAdds,      // (group, key as spelled) -> its numbered adds
        kGroupSpelling,  // (group, "") -> the kGroupAdds lists of the group
        kReplaces,       // section (upper case, brackets kept) -> positions in ReplaceList
    };
    ListTable table;
    // The keys of every section's commands (and the stems of its numbered-key commands), a run
    // for each section ordered by KeyHash: the few keys of a section lie together, and the
    // positions of each key's commands in keyPositions. A group's `begin` is its list in `table`.
    struct KeyRef {
        uint32_t hash;
        // Its name in `names`.
        uint32_t name;
        uint32_t length;
        uint32_t begin;
        uint32_t end;
        Kind kind;
    };
    BulkVector<KeyRef> keys;
    BulkVector<uint32_t> keyPositions;
    // The hash of the key filter (kKeyFilterStart, NextKeyFilterHash) of the whole text.
    static uint32_t KeyHash(std::string_view text);
    // The key of the given kind (kKey or kGroup) named UpperCase(key) in section, or nullptr;
    // keyHash is the KeyHash of that name.
    const KeyRef* FindKey(const SectionCommands& section, Kind kind, std::string_view key,
                          uint32_t keyHash) const;
    BulkVector<SectionCommands> sections;
    std::vector<uint32_t> replacesEverywhere;
    // For each group (by its tag): the kKey list of its stem without the numbered-key commands,
    // which a key line that is its own stem meets (it meets those through the group).
    std::vector<std::pair<uint32_t, uint32_t>> plainRanges;
    std::vector<uint32_t> plainValues;
    // The upper-case names of sections and keys and values of the numbered-key commands, named
    // by the lists: made room for before the first is added, so that they stay in place.
    BulkString names;
    // For each kGroupAdds list (by its tag): the highest number its adds have met in this pass;
    // the number after it is the one the next add takes.
    mutable std::vector<int32_t> highestNumber;

    const SectionCommands& CommandsOf(std::string_view upperSection) const;
    Positions ReplacesOf(std::string_view upperSection) const;

    // The lists of a numbered group (from SectionCommands::NumberedGroup).
    Positions GroupAlways(uint32_t group) const { return table.List(group); }
    Positions GroupPlain(uint32_t group) const {
        const auto& [begin, end] = plainRanges[table.Tag(group)];
        return {plainValues.data() + begin, end - begin};
    }
    Positions GroupByValue(uint32_t group, std::string_view upperValue) const;
    // The kGroupAdds lists of the group.
    Positions GroupSpellings(uint32_t group) const;
    // The kGroupAdds list of r (a numbered add) in its section, or ListTable::kNone.
    uint32_t AddsOf(const SectionCommands& section, const CommandRecord& r) const;
};

// Fills an empty index with the commands of store, which must stay in place (the index names
// their texts) for as long as the index is used.
void BuildSectionIndex(const CommandStore& store, SectionIndex& index);

}  // namespace rivel
