// The stored commands indexed by section.
#include "inicmd/section_index.h"

#include <algorithm>
#include <tuple>

#include "text/strings.h"

namespace rivel {

namespace {
const Positions& NoPositions() {
    static const Positions none;
    return none;
}
}  // namespace

uint32_t KeyFilterBit(std::string_view upperKey) {
    uint32_t hash = kKeyFilterStart;
    for (char c : upperKey) {
        hash = NextKeyFilterHash(hash, c);
    }
    return KeyFilterBit(hash);
}

namespace {
// The entry of map for key, made (in the map's arena) when there is none.
template <typename Value>
Value& Entry(TextKeyMap<Value>& map, std::string_view key) {
    auto it = map.find(key);
    if (it == map.end()) {
        it =
            map.emplace(std::piecewise_construct, std::forward_as_tuple(key), std::tuple<>()).first;
    }
    return it->second;
}

void AddToFilter(SectionCommands& section, std::string_view upperKey) {
    uint32_t bit = KeyFilterBit(upperKey);
    section.keyFilter[bit >> 6] |= uint64_t{1} << (bit & 63);
}
}  // namespace

const SectionCommands& SectionIndex::CommandsOf(std::string_view upperSection) const {
    static const SectionCommands none;
    const SectionCommands* found = FindText(commands, upperSection);
    return found != nullptr ? *found : none;
}

const Positions& SectionIndex::ReplacesOf(std::string_view upperSection) const {
    const Positions* found = FindText(replaces, upperSection);
    return found != nullptr ? *found : NoPositions();
}

SectionIndex BuildSectionIndex(const CommandStore& store) {
    SectionIndex index;
    for (size_t i = 0; i < store.CommandList.size(); ++i) {
        const CommandRecord& r = store.CommandList[i];
        SectionCommands& section = Entry(index.commands, r.UpperSection);
        size_t position = section.records.size();
        section.records.push_back(i);
        switch (r.Kind) {
            case CommandKind::DeleteSection:
            case CommandKind::CommentSection:
            case CommandKind::UCommentSection:
                break;
            case CommandKind::AddKeyNumeric:
            case CommandKind::DeleteKeyNum:
            case CommandKind::DeleteKeyValNum: {
                Entry(section.byNumberedKey, r.UpperKey).push_back(position);
                AddToFilter(section, r.UpperKey);
                Entry(section.byKey, r.UpperKey).push_back(position);
                NumberedGroup& group = Entry(section.numbered, r.UpperKey);
                if (r.Kind == CommandKind::DeleteKeyNum) {
                    group.always.push_back(position);
                    break;
                }
                Entry(group.byValue, UpperCase(r.Value)).push_back(position);
                if (r.Kind == CommandKind::AddKeyNumeric) {
                    auto spelled = std::find_if(
                        group.addsByKey.begin(), group.addsByKey.end(),
                        [&](const auto& e) { return std::string_view(e.first) == r.Key; });
                    if (spelled == group.addsByKey.end()) {
                        group.addsByKey.emplace_back(std::string_view(r.Key), Positions());
                        spelled = group.addsByKey.end() - 1;
                    }
                    spelled->second.push_back(position);
                }
                break;
            }
            default:
                AddToFilter(section, r.UpperKey);
                Entry(section.byKey, r.UpperKey).push_back(position);
                Entry(section.byKeyPlain, r.UpperKey).push_back(position);
                break;
        }
    }
    for (size_t i = 0; i < store.ReplaceList.size(); ++i) {
        const std::string& section = store.ReplaceList[i].Section;
        if (section == "[]") {
            index.replacesEverywhere.push_back(i);
        } else {
            Entry(index.replaces, section).push_back(i);
        }
    }
    return index;
}

}  // namespace rivel
