// The stored commands indexed by section.
#include "inicmd/section_index.h"

#include <algorithm>

#include "inicmd/upper_words.h"
#include "text/strings.h"

namespace rivel {

namespace {
bool IsNumberedKind(CommandKind kind) {
    return kind == CommandKind::AddKeyNumeric || kind == CommandKind::DeleteKeyNum ||
           kind == CommandKind::DeleteKeyValNum;
}

// A key upper-cased into the tail of names, which has room for it (so that the names before it
// stay in place), and its KeyHash, made in the same pass.
struct UpperName {
    std::string_view text;
    uint32_t hash;
};
UpperName AppendUpper(BulkString& names, std::string_view text) {
    const size_t at = names.size();
    names.append(text);
    char* const out = names.data() + at;
    uint32_t hash = kKeyFilterStart;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = UpperChar(out[i]);
        out[i] = c;
        hash = NextKeyFilterHash(hash, c);
    }
    return {std::string_view(out, text.size()), hash};
}

// A name upper-cased into the tail of names, which has room for it.
std::string_view AppendUpperName(BulkString& names, std::string_view text) {
    const size_t at = names.size();
    names.append(text);
    UpperInPlace(names.data() + at, text.size());
    return std::string_view(names).substr(at);
}

Positions ListOrNone(const ListTable& table, uint32_t id) {
    return id == ListTable::kNone ? Positions() : table.List(id);
}
}  // namespace

uint32_t SectionIndex::KeyHash(std::string_view text) {
    uint32_t hash = kKeyFilterStart;
    for (char c : text) {
        hash = NextKeyFilterHash(hash, c);
    }
    return hash;
}

const SectionIndex::KeyRef* SectionIndex::FindKey(const SectionCommands& section, Kind kind,
                                                  std::string_view key, uint32_t keyHash) const {
    auto end = keys.begin() + section.keysEnd;
    auto at = std::lower_bound(keys.begin() + section.keysBegin, end, keyHash,
                               [](const KeyRef& k, uint32_t h) { return k.hash < h; });
    for (; at != end && at->hash == keyHash; ++at) {
        if (at->kind == kind &&
            IsUpperOf(std::string_view(names).substr(at->name, at->length), key)) {
            return &*at;
        }
    }
    return nullptr;
}

Positions SectionCommands::ByKey(std::string_view upperKey) const {
    return ByKey(upperKey, SectionIndex::KeyHash(upperKey));
}

Positions SectionCommands::ByKey(std::string_view key, uint32_t keyHash) const {
    if (index == nullptr) {
        return {};
    }
    const SectionIndex::KeyRef* found = index->FindKey(*this, SectionIndex::kKey, key, keyHash);
    return found == nullptr
               ? Positions()
               : Positions(index->keyPositions.data() + found->begin, found->end - found->begin);
}

bool SectionCommands::HasNumberedKey(std::string_view stem, uint32_t stemHash) const {
    return hasNumbered && index->FindKey(*this, SectionIndex::kGroup, stem, stemHash) != nullptr;
}

uint32_t SectionCommands::NumberedGroup(std::string_view upperStem) const {
    const SectionIndex::KeyRef* group = hasNumbered
                                            ? index->FindKey(*this, SectionIndex::kGroup, upperStem,
                                                             SectionIndex::KeyHash(upperStem))
                                            : nullptr;
    return group == nullptr ? ListTable::kNone : group->begin;
}

const SectionCommands& SectionIndex::CommandsOf(std::string_view upperSection) const {
    static const SectionCommands none;
    uint32_t id = table.Find(kSection, 0, upperSection);
    return id != ListTable::kNone ? sections[table.Tag(id)] : none;
}

Positions SectionIndex::ReplacesOf(std::string_view upperSection) const {
    return ListOrNone(table, table.Find(kReplaces, 0, upperSection));
}

Positions SectionIndex::GroupByValue(uint32_t group, std::string_view upperValue) const {
    return ListOrNone(table, table.Find(kGroupValue, group, upperValue));
}

Positions SectionIndex::GroupSpellings(uint32_t group) const {
    return ListOrNone(table, table.Find(kGroupSpelling, group, ""));
}

uint32_t SectionIndex::AddsOf(const SectionCommands& section, const CommandRecord& r) const {
    uint32_t group = section.NumberedGroup(UpperCase(r.Key));
    return group == ListTable::kNone ? ListTable::kNone : table.Find(kGroupAdds, group, r.Key);
}

namespace {
// A key named by a command (or the stem of a numbered-key command), filed before the keys of
// each section are sorted: its section's tag, and its position in the section's records (the
// list id for a group).
struct KeyItem {
    uint32_t section;
    uint32_t hash;
    uint32_t name;
    uint32_t length;
    uint32_t value;
    SectionIndex::Kind kind;
};
}  // namespace

void BuildSectionIndex(const CommandStore& store, SectionIndex& index) {
    ListTable& table = index.table;
    // The number of commands filed in each section so far (by section tag): the index into
    // its records that the next one takes.
    std::vector<uint32_t> filed;
    std::vector<uint32_t> groups;
    BulkVector<KeyItem> items;
    items.reserve(store.CommandList.size());
    // Every command and replace command files at least one value.
    table.ReserveValues(store.CommandList.size() + store.ReplaceList.size());
    // Room for every name and list the commands can make, so that nothing already filed is
    // moved (and fresh memory touched twice) while the index grows: a command names its
    // section, a numbered-key command also its group, value, spelling and adds.
    size_t namesLength = 0, lists = store.ReplaceList.size();
    for (const CommandRecord& r : store.CommandList) {
        namesLength += r.Section.size() + r.Key.size() + r.Value.size();
        lists += IsNumberedKind(r.Kind) ? 5 : 1;
    }
    index.names.reserve(namesLength);
    table.ReserveLists(lists);
    index.sections.reserve(store.CommandList.size());
    // The list of a name by its upper-case form, put in `names` only when the list is new: most
    // commands name a section that an earlier one named.
    auto intern = [&](SectionIndex::Kind kind, uint32_t owner, std::string_view text, bool* added) {
        return table.InternBy(
            kind, owner, UpperWordHash(text),
            [text](std::string_view kept) { return IsUpperOf(kept, text); },
            [&] { return AppendUpperName(index.names, text); }, added);
    };
    auto fileKey = [&](uint32_t section, const UpperName& upper, uint32_t value,
                       SectionIndex::Kind kind) {
        items.push_back({section, upper.hash,
                         static_cast<uint32_t>(upper.text.data() - index.names.data()),
                         static_cast<uint32_t>(upper.text.size()), value, kind});
    };
    for (size_t i = 0; i < store.CommandList.size(); ++i) {
        const CommandRecord& r = store.CommandList[i];
        bool added = false;
        const uint32_t id = intern(SectionIndex::kSection, 0, r.Section, &added);
        if (added) {
            table.SetTag(id, static_cast<uint32_t>(index.sections.size()));
            index.sections.emplace_back();
            index.sections.back().id = id;
            filed.push_back(0);
        }
        const uint32_t tag = table.Tag(id);
        SectionCommands& section = index.sections[tag];
        const uint32_t position = filed[tag]++;
        table.Add(id, static_cast<uint32_t>(i));
        switch (r.Kind) {
            case CommandKind::DeleteSection:
            case CommandKind::CommentSection:
            case CommandKind::UCommentSection:
                break;
            case CommandKind::AddKeyNumeric:
            case CommandKind::DeleteKeyNum:
            case CommandKind::DeleteKeyValNum: {
                const UpperName key = AppendUpper(index.names, r.Key);
                section.hasNumbered = true;
                section.AddToFilter(key.hash);
                fileKey(tag, key, position, SectionIndex::kKey);
                const uint32_t group = table.Intern(SectionIndex::kGroup, id, key.text, &added);
                if (added) {
                    groups.push_back(group);
                    fileKey(tag, key, group, SectionIndex::kGroup);
                }
                if (r.Kind == CommandKind::DeleteKeyNum) {
                    table.Add(group, position);
                    break;
                }
                table.Add(intern(SectionIndex::kGroupValue, group, r.Value, &added), position);
                if (r.Kind == CommandKind::AddKeyNumeric) {
                    const uint32_t adds =
                        table.Intern(SectionIndex::kGroupAdds, group, r.Key, &added);
                    if (added) {
                        table.SetTag(adds, static_cast<uint32_t>(index.highestNumber.size()));
                        index.highestNumber.push_back(INT32_MIN);
                        table.Add(table.Intern(SectionIndex::kGroupSpelling, group, ""), adds);
                    }
                    table.Add(adds, position);
                }
                break;
            }
            default: {
                const UpperName key = AppendUpper(index.names, r.Key);
                section.AddToFilter(key.hash);
                fileKey(tag, key, position, SectionIndex::kKey);
                break;
            }
        }
    }
    for (size_t i = 0; i < store.ReplaceList.size(); ++i) {
        const std::string& section = store.ReplaceList[i].Section;
        if (section == "[]") {
            index.replacesEverywhere.push_back(static_cast<uint32_t>(i));
        } else {
            table.Add(table.Intern(SectionIndex::kReplaces, 0, section), static_cast<uint32_t>(i));
        }
    }
    table.Finish();
    for (SectionCommands& section : index.sections) {
        section.index = &index;
        section.records = table.List(section.id);
    }

    // The keys, gathered section by section (a counting sort, which keeps their order), then
    // each section's sorted by hash and name, equal names together in the order of their
    // positions: each run of one name is one list.
    std::vector<uint32_t> starts(index.sections.size() + 1, 0);
    for (const KeyItem& item : items) {
        ++starts[item.section + 1];
    }
    for (size_t s = 1; s < starts.size(); ++s) {
        starts[s] += starts[s - 1];
    }
    BulkVector<KeyItem> sorted(items.size());
    {
        std::vector<uint32_t> next(starts.begin(), starts.end() - 1);
        for (const KeyItem& item : items) {
            sorted[next[item.section]++] = item;
        }
    }
    items.clear();
    items.shrink_to_fit();
    const std::string_view names = index.names;
    auto text = [&](const KeyItem& item) { return names.substr(item.name, item.length); };
    index.keyPositions.reserve(sorted.size());
    index.keys.reserve(sorted.size());
    for (size_t s = 0; s < index.sections.size(); ++s) {
        const auto first = sorted.begin() + starts[s], last = sorted.begin() + starts[s + 1];
        std::sort(first, last, [&](const KeyItem& a, const KeyItem& b) {
            if (a.hash != b.hash) {
                return a.hash < b.hash;
            }
            if (a.kind != b.kind) {
                return a.kind < b.kind;
            }
            const int order = text(a).compare(text(b));
            return order != 0 ? order < 0 : a.value < b.value;
        });
        SectionCommands& section = index.sections[s];
        section.keysBegin = static_cast<uint32_t>(index.keys.size());
        for (auto at = first; at != last;) {
            SectionIndex::KeyRef ref{at->hash, at->name, at->length, 0, 0, at->kind};
            if (at->kind == SectionIndex::kGroup) {
                ref.begin = ref.end = at->value;
                ++at;
            } else {
                ref.begin = static_cast<uint32_t>(index.keyPositions.size());
                for (; at != last && at->hash == ref.hash && at->kind == ref.kind &&
                       text(*at) == names.substr(ref.name, ref.length);
                     ++at) {
                    index.keyPositions.push_back(at->value);
                }
                ref.end = static_cast<uint32_t>(index.keyPositions.size());
            }
            index.keys.push_back(ref);
        }
        section.keysEnd = static_cast<uint32_t>(index.keys.size());
    }

    for (uint32_t group : groups) {
        const SectionCommands& section = index.sections[table.Tag(table.Owner(group))];
        const auto begin = static_cast<uint32_t>(index.plainValues.size());
        for (uint32_t position : section.ByKey(table.Text(group))) {
            if (!IsNumberedKind(store.CommandList[section.records[position]].Kind)) {
                index.plainValues.push_back(position);
            }
        }
        table.SetTag(group, static_cast<uint32_t>(index.plainRanges.size()));
        index.plainRanges.emplace_back(begin, static_cast<uint32_t>(index.plainValues.size()));
    }
}

}  // namespace rivel
