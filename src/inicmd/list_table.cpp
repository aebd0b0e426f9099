// The flat lookup table of a rewrite pass.
#include "inicmd/list_table.h"

namespace rivel {

void ListTable::Grow(size_t size) {
    BulkVector<uint64_t> slots(size, 0);
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
    const uint64_t tag = hash & kHashHigh;
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
    const uint64_t slot = slots_[Probe(Hash(kind, owner, TextHash(text)), kind, owner, text)];
    return slot == 0 ? kNone : SlotEntry(slot);
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
