// The flat lookup table of a rewrite pass.
#include "inicmd/list_table.h"

namespace rivel {

uint64_t ListTable::Hash(uint8_t kind, uint32_t owner, std::string_view text) {
    // FNV-1a over the text, then the kind and owner mixed in and the bits spread, so that the
    // low bits that pick a slot depend on all of them.
    uint64_t h = 14695981039346656037ull;
    for (char c : text) {
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    h ^= ((static_cast<uint64_t>(owner) << 8) | kind) * 0x9e3779b97f4a7c15ull;
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

void ListTable::Grow(size_t size) {
    std::vector<uint64_t> slots(size, 0);
    const size_t mask = slots.size() - 1;
    for (size_t i = 0; i < entries_.size(); ++i) {
        size_t s = entries_[i].hash & mask;
        while (slots[s] != 0) {
            s = (s + 1) & mask;
        }
        slots[s] = Slot(entries_[i].hash, static_cast<uint32_t>(i));
    }
    slots_.swap(slots);
}

size_t ListTable::Probe(uint64_t hash, uint8_t kind, uint32_t owner, std::string_view text) const {
    const size_t mask = slots_.size() - 1;
    const uint64_t tag = hash & 0xffffffff00000000ull;
    size_t s = hash & mask;
    while (slots_[s] != 0 && !Hit(slots_[s], tag, hash, kind, owner, text)) {
        s = (s + 1) & mask;
    }
    return s;
}

uint32_t ListTable::Find(uint8_t kind, uint32_t owner, std::string_view text) const {
    if (slots_.empty()) {
        return kNone;
    }
    const uint64_t slot = slots_[Probe(Hash(kind, owner, text), kind, owner, text)];
    return slot == 0 ? kNone : SlotEntry(slot);
}

uint32_t ListTable::Intern(uint8_t kind, uint32_t owner, std::string_view text, bool* added) {
    if (2 * (entries_.size() + 1) > slots_.size()) {
        Grow(slots_.empty() ? 1024 : 2 * slots_.size());
    }
    const uint64_t hash = Hash(kind, owner, text);
    const size_t s = Probe(hash, kind, owner, text);
    if (added != nullptr) {
        *added = slots_[s] == 0;
    }
    if (slots_[s] != 0) {
        return SlotEntry(slots_[s]);
    }
    const auto id = static_cast<uint32_t>(entries_.size());
    entries_.push_back(Entry{text, hash, owner, 0, 0, 0, kind});
    slots_[s] = Slot(hash, id);
    return id;
}

void ListTable::Finish() {
    // A counting sort of the values by list: the lists lie one after another in the order of
    // their ids, each in the order its values came.
    for (const auto& [id, value] : pending_) {
        ++entries_[id].end;
    }
    uint32_t at = 0;
    for (Entry& e : entries_) {
        e.begin = at;
        at += e.end;
        e.end = e.begin;
    }
    values_.resize(at);
    for (const auto& [id, value] : pending_) {
        values_[entries_[id].end++] = value;
    }
    pending_.clear();
    pending_.shrink_to_fit();
}

}  // namespace rivel
