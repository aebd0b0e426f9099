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

#include "inicmd/upper_words.h"
#include "platform/bulk_memory.h"

namespace rivel {

class ListTable {
  public:
    static constexpr uint32_t kNone = UINT32_MAX;

    // The hash of a list's text (see WordHash).
    static uint64_t TextHash(std::string_view text) { return WordHash(text); }

    // The list named (kind, owner, text), made empty when there is none; `added` tells which.
    // The text is not copied: it must stay in place for as long as the table is used.
    uint32_t Intern(uint8_t kind, uint32_t owner, std::string_view text, bool* added = nullptr) {
        return Intern(kind, owner, text, TextHash(text), added);
    }
    // The same, with TextHash(text) already made.
    uint32_t Intern(uint8_t kind, uint32_t owner, std::string_view text, uint64_t textHash,
                    bool* added) {
        return InternBy(
            kind, owner, textHash, [text](std::string_view kept) { return kept == text; },
            [text] { return text; }, added);
    }
    // Intern for a text the caller holds in another form (not yet upper-cased, say), so that it
    // is made only for a new list: textHash is the TextHash of the text, same(kept) whether a
    // kept text is it, and make() gives the text to keep (in place as for Intern).
    template <class Same, class Make>
    uint32_t InternBy(uint8_t kind, uint32_t owner, uint64_t textHash, Same same, Make make,
                      bool* added);
    // Appends value to list `id`. Lists keep their values in the order they were added.
    void Add(uint32_t id, uint32_t value) { pending_.emplace_back(id, value); }
    // Makes room for that many Add calls, so that the values are not moved while they come.
    void ReserveValues(size_t count) { pending_.reserve(count); }
    // Makes room for that many lists.
    void ReserveLists(size_t count) { entries_.reserve(count); }
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
    // The text's hash with the kind and owner mixed in and the bits spread (the finaliser of
    // MurmurHash3), so that the low bits that pick a slot and the high ones kept in it depend
    // on all of them.
    static uint64_t Hash(uint8_t kind, uint32_t owner, uint64_t textHash) {
        uint64_t h =
            textHash ^ ((static_cast<uint64_t>(owner) << 8) | kind) * 0x9e3779b97f4a7c15ull;
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdull;
        h ^= h >> 33;
        h *= 0xc4ceb9fe1a85ec53ull;
        h ^= h >> 33;
        return h;
    }
    // The slot of the list (kind, owner, text) of that hash, or the free slot it would take.
    size_t Probe(uint64_t hash, uint8_t kind, uint32_t owner, std::string_view text) const;
    // A used slot holds the high half of the list's hash and its id + 1, so that most lists
    // that share a slot's neighbourhood are passed over without a look at their entries.
    static constexpr uint64_t kHashHigh = 0xffffffff00000000ull;
    static uint64_t Slot(uint64_t hash, uint32_t id) {
        return (hash & kHashHigh) | (static_cast<uint64_t>(id) + 1);
    }
    static uint32_t SlotEntry(uint64_t slot) { return static_cast<uint32_t>(slot) - 1; }
    bool Hit(uint64_t slot, uint64_t tag, uint64_t hash, uint8_t kind, uint32_t owner,
             std::string_view text) const {
        if ((slot & kHashHigh) != tag) {
            return false;
        }
        const Entry& e = entries_[SlotEntry(slot)];
        return e.hash == hash && e.kind == kind && e.owner == owner && e.text == text;
    }
    void Grow(size_t size);

    BulkVector<Entry> entries_;
    // Open addressing (see Slot), 0 in a free slot; never more than half full.
    BulkVector<uint64_t> slots_;
    BulkVector<std::pair<uint32_t, uint32_t>> pending_;
    BulkVector<uint32_t> values_;
};

template <class Same, class Make>
uint32_t ListTable::InternBy(uint8_t kind, uint32_t owner, uint64_t textHash, Same same, Make make,
                             bool* added) {
    if (2 * (entries_.size() + 1) > slots_.size()) {
        Grow(slots_.empty() ? 1024 : 2 * slots_.size());
    }
    const uint64_t hash = Hash(kind, owner, textHash);
    const uint64_t tag = hash & kHashHigh;
    const size_t mask = slots_.size() - 1;
    size_t s = hash & mask;
    for (; slots_[s] != 0; s = (s + 1) & mask) {
        if ((slots_[s] & kHashHigh) != tag) {
            continue;
        }
        const uint32_t id = SlotEntry(slots_[s]);
        const Entry& e = entries_[id];
        if (e.hash == hash && e.kind == kind && e.owner == owner && same(e.text)) {
            if (added != nullptr) {
                *added = false;
            }
            return id;
        }
    }
    if (added != nullptr) {
        *added = true;
    }
    const auto id = static_cast<uint32_t>(entries_.size());
    entries_.push_back(Entry{make(), hash, owner, 0, 0, 0, kind});
    slots_[s] = Slot(hash, id);
    return id;
}

}  // namespace rivel
