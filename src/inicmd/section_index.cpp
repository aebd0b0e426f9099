// The stored commands indexed by section.
#include "inicmd/section_index.h"

#include <algorithm>

#include "text/strings.h"

namespace rivel {

uint32_t KeyFilterBit(std::string_view upperKey) {
    uint32_t hash = kKeyFilterStart;
    for (char c : upperKey) {
        hash = NextKeyFilterHash(hash, c);
    }
    return KeyFilterBit(hash);
}

namespace {
void AddToFilter(SectionCommands& section, std::string_view upperKey) {
    uint32_t bit = KeyFilterBit(upperKey);
    section.keyFilter[bit >> 6] |= uint64_t{1} << (bit & 63);
}

bool IsNumberedKind(CommandKind kind) {
    return kind == CommandKind::AddKeyNumeric || kind == CommandKind::DeleteKeyNum ||
           kind == CommandKind::DeleteKeyValNum;
}

// UpperCase(text) into out, whose storage is kept.
void UpperCaseInto(std::string_view text, std::string& out) {
    out.assign(text);
    for (char& c : out) {
        c = UpperChar(c);
    }
}

Positions ListOrNone(const ListTable& table, uint32_t id) {
    return id == ListTable::kNone ? Positions() : table.List(id);
}
}  // namespace

uint32_t SectionIndex::KeyHash(std::string_view text) {
    uint32_t hash = 2166136261u;
    for (char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash;
}

uint32_t SectionIndex::FindKey(const SectionCommands& section, Kind kind,
                               std::string_view upperKey) const {
    const uint32_t hash = KeyHash(upperKey);
    auto end = keys.begin() + section.keysEnd;
    auto at = std::lower_bound(keys.begin() + section.keysBegin, end, hash,
                               [](const KeyRef& k, uint32_t h) { return k.hash < h; });
    for (; at != end && at->hash == hash; ++at) {
        if (table.Kind(at->id) == kind && table.Text(at->id) == upperKey) {
            return at->id;
        }
    }
    return ListTable::kNone;
}

Positions SectionCommands::ByKey(std::string_view upperKey) const {
    return index == nullptr
               ? Positions()
               : ListOrNone(index->table, index->FindKey(*this, SectionIndex::kKey, upperKey));
}

bool SectionCommands::HasNumberedKey(std::string_view upperStem) const {
    return hasNumbered &&
           index->FindKey(*this, SectionIndex::kGroup, upperStem) != ListTable::kNone;
}

uint32_t SectionCommands::NumberedGroup(std::string_view upperStem) const {
    return hasNumbered ? index->FindKey(*this, SectionIndex::kGroup, upperStem) : ListTable::kNone;
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

void BuildSectionIndex(const CommandStore& store, SectionIndex& index) {
    ListTable& table = index.table;
    // The number of commands filed in each section so far (by section tag): the index into
    // its records that the next one takes.
    std::vector<uint32_t> filed;
    std::vector<uint32_t> groups;
    // About two lists for each command.
    table.Reserve(2 * store.CommandList.size());
    size_t namesLength = 0;
    for (const CommandRecord& r : store.CommandList) {
        namesLength += r.Section.size() + r.Key.size() + r.Value.size();
    }
    index.names.reserve(namesLength);
    // The list of an upper-case name, whose text goes to `names` when the list is new.
    auto intern = [&](SectionIndex::Kind kind, uint32_t owner, const std::string& upper,
                      bool* added = nullptr) {
        uint32_t id = table.Find(kind, owner, upper);
        if (id != ListTable::kNone) {
            if (added != nullptr) {
                *added = false;
            }
            return id;
        }
        const size_t at = index.names.size();
        index.names += upper;
        return table.Intern(kind, owner, std::string_view(index.names).substr(at), added);
    };
    std::string upperSection, upperKey;
    for (size_t i = 0; i < store.CommandList.size(); ++i) {
        const CommandRecord& r = store.CommandList[i];
        bool added = false;
        UpperCaseInto(r.Section, upperSection);
        UpperCaseInto(r.Key, upperKey);
        const uint32_t id = intern(SectionIndex::kSection, 0, upperSection, &added);
        if (added) {
            table.SetTag(id, static_cast<uint32_t>(index.sections.size()));
            index.sections.emplace_back();
            index.sections.back().id = id;
            filed.push_back(0);
        }
        SectionCommands& section = index.sections[table.Tag(id)];
        const uint32_t position = filed[table.Tag(id)]++;
        table.Add(id, static_cast<uint32_t>(i));
        switch (r.Kind) {
            case CommandKind::DeleteSection:
            case CommandKind::CommentSection:
            case CommandKind::UCommentSection:
                break;
            case CommandKind::AddKeyNumeric:
            case CommandKind::DeleteKeyNum:
            case CommandKind::DeleteKeyValNum: {
                section.hasNumbered = true;
                AddToFilter(section, upperKey);
                const uint32_t key = intern(SectionIndex::kKey, id, upperKey);
                table.Add(key, position);
                const uint32_t group =
                    table.Intern(SectionIndex::kGroup, id, table.Text(key), &added);
                if (added) {
                    groups.push_back(group);
                }
                if (r.Kind == CommandKind::DeleteKeyNum) {
                    table.Add(group, position);
                    break;
                }
                table.Add(intern(SectionIndex::kGroupValue, group, UpperCase(r.Value)), position);
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
            default:
                AddToFilter(section, upperKey);
                table.Add(intern(SectionIndex::kKey, id, upperKey), position);
                break;
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
    // The key lists, gathered section by section (a counting sort by section), each run then
    // ordered by hash.
    auto sectionOf = [&](uint32_t id) -> SectionCommands* {
        switch (table.Kind(id)) {
            case SectionIndex::kKey:
            case SectionIndex::kGroup:
                return &index.sections[table.Tag(table.Owner(id))];
            default:
                return nullptr;
        }
    };
    const auto entries = static_cast<uint32_t>(table.Size());
    for (uint32_t id = 0; id < entries; ++id) {
        if (SectionCommands* section = sectionOf(id)) {
            ++section->keysEnd;
        }
    }
    uint32_t at = 0;
    for (SectionCommands& section : index.sections) {
        section.index = &index;
        section.records = table.List(section.id);
        section.keysBegin = at;
        at += section.keysEnd;
        section.keysEnd = section.keysBegin;
    }
    index.keys.resize(at);
    for (uint32_t id = 0; id < entries; ++id) {
        if (SectionCommands* section = sectionOf(id)) {
            index.keys[section->keysEnd++] = {SectionIndex::KeyHash(table.Text(id)), id};
        }
    }
    for (const SectionCommands& section : index.sections) {
        std::sort(index.keys.begin() + section.keysBegin, index.keys.begin() + section.keysEnd,
                  [](const SectionIndex::KeyRef& a, const SectionIndex::KeyRef& b) {
                      return a.hash < b.hash;
                  });
    }
    for (uint32_t group : groups) {
        const SectionCommands& section = index.sections[table.Tag(table.Owner(group))];
        const auto begin = static_cast<uint32_t>(index.plainValues.size());
        for (uint32_t position :
             table.List(index.FindKey(section, SectionIndex::kKey, table.Text(group)))) {
            if (!IsNumberedKind(store.CommandList[section.records[position]].Kind)) {
                index.plainValues.push_back(position);
            }
        }
        table.SetTag(group, static_cast<uint32_t>(index.plainRanges.size()));
        index.plainRanges.emplace_back(begin, static_cast<uint32_t>(index.plainValues.size()));
    }
}

}  // namespace rivel
