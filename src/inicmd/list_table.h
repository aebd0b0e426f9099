// One flat table for the lookups of a rewrite pass: lists of numbers found by a kind, an owner
// (the list a lookup is nested in, such as a section) and a text. All the lists of a pass live
// in one array and all the names in one open-addressing table, built with a few allocations,
// instead of a map of maps for every section.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace rivel {

class ListTable {
  public:
    static constexpr uint32_t kNone = UINT32_MAX;

    // The list named (kind, owner, text), made empty when there is none; `added` tells which.
    // The text is not copied: it must stay in place for as long as the table is used.
    uint32_t Intern(uint8_t kind, uint32_t owner, std::string_view text, bool* added = nullptr);
    // Appends value to list `id`. Lists keep their values in the order they were added.
    void Add(uint32_t id, uint32_t value) { pending_.emplace_back(id, value); }
    // Lays the lists out once they are all filled; List() is valid from then on.
    void Finish();

    // The list named (kind, owner, text), or kNone.
    uint32_t Find(uint8_t kind, uint32_t owner, std::string_view text) const;
    std::span<const uint32_t> List(uint32_t id) const {
        const Entry& e = entries_[id];
        return {values_.data() + e.begin, e.end - e.begin};
    }
    // A number kept with each list for its user (0 until set).
    uint32_t Tag(uint32_t id) const { return entries_[id].tag; }
    void SetTag(uint32_t id, uint32_t tag) { entries_[id].tag = tag; }
    size_t Size() const { return entries_.size(); }
    // What names list `id`.
    uint8_t Kind(uint32_t id) const { return entries_[id].kind; }
    uint32_t Owner(uint32_t id) const { return entries_[id].owner; }
    std::string_view Text(uint32_t id) const { return entries_[id].text; }

  private:
    struct Entry {
        std::string_view text;
        uint64_t hash;
        uint32_t owner;
        uint32_t begin = 0;
        uint32_t end = 0;
        uint32_t tag = 0;
        uint8_t kind;
    };
    static uint64_t Hash(uint8_t kind, uint32_t owner, std::string_view text);
    // The slot of the list (kind, owner, text) of that hash, or the free slot it would take.
    size_t Probe(uint64_t hash, uint8_t kind, uint32_t owner, std::string_view text) const;
    // A used slot holds the high half of the list's hash and its id + 1, so that most lists
    // that share a slot's neighbourhood are passed over without a look at their entries.
    static uint64_t Slot(uint64_t hash, uint32_t id) {
        return (hash & 0xffffffff00000000ull) | (static_cast<uint64_t>(id) + 1);
    }
    static uint32_t SlotEntry(uint64_t slot) { return static_cast<uint32_t>(slot) - 1; }
    bool Hit(uint64_t slot, uint64_t tag, uint64_t hash, uint8_t kind, uint32_t owner,
             std::string_view text) const {
        if ((slot & 0xffffffff00000000ull) != tag) {
            return false;
        }
        const Entry& e = entries_[SlotEntry(slot)];
        return e.hash == hash && e.kind == kind && e.owner == owner && e.text == text;
    }
    void Grow(size_t size);

    std::vector<Entry> entries_;
    // Open addressing (see Slot), 0 in a free slot; never more than half full.
    std::vector<uint64_t> slots_;
    std::vector<std::pair<uint32_t, uint32_t>> pending_;
    std::vector<uint32_t> values_;
};

}  // namespace rivel
