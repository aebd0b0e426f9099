// The stored commands indexed by section.
#include "inicmd/section_index.h"

#include <algorithm>

#include "text/strings.h"

namespace rivel {

namespace {
const std::vector<size_t>& NoPositions() {
    static const std::vector<size_t> none;
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
void AddToFilter(SectionCommands& section, std::string_view upperKey) {
    uint32_t bit = KeyFilterBit(upperKey);
    section.keyFilter[bit >> 6] |= uint64_t{1} << (bit & 63);
}
}  // namespace

const SectionCommands& SectionIndex::CommandsOf(const std::string& upperSection) const {
    static const SectionCommands none;
    auto it = commands.find(upperSection);
    return it == commands.end() ? none : it->second;
}

const std::vector<size_t>& SectionIndex::ReplacesOf(const std::string& upperSection) const {
    auto it = replaces.find(upperSection);
    return it == replaces.end() ? NoPositions() : it->second;
}

SectionIndex BuildSectionIndex(const CommandStore& store) {
    SectionIndex index;
    index.commands.reserve(store.CommandList.size());
    for (size_t i = 0; i < store.CommandList.size(); ++i) {
        const CommandRecord& r = store.CommandList[i];
        SectionCommands& section = index.commands[r.UpperSection];
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
                section.byNumberedKey[r.UpperKey].push_back(position);
                AddToFilter(section, r.UpperKey);
                section.byKey[r.UpperKey].push_back(position);
                NumberedGroup& group = section.numbered[r.UpperKey];
                if (r.Kind == CommandKind::DeleteKeyNum) {
                    group.always.push_back(position);
                    break;
                }
                group.byValue[UpperCase(r.Value)].push_back(position);
                if (r.Kind == CommandKind::AddKeyNumeric) {
                    auto spelled = std::find_if(group.addsByKey.begin(), group.addsByKey.end(),
                                                [&](const auto& e) { return e.first == r.Key; });
                    if (spelled == group.addsByKey.end()) {
                        group.addsByKey.push_back({r.Key, {}});
                        spelled = group.addsByKey.end() - 1;
                    }
                    spelled->second.push_back(position);
                }
                break;
            }
            default:
                AddToFilter(section, r.UpperKey);
                section.byKey[r.UpperKey].push_back(position);
                section.byKeyPlain[r.UpperKey].push_back(position);
                break;
        }
    }
    for (size_t i = 0; i < store.ReplaceList.size(); ++i) {
        const std::string& section = store.ReplaceList[i].Section;
        if (section == "[]") {
            index.replacesEverywhere.push_back(i);
        } else {
            index.replaces[section].push_back(i);
        }
    }
    return index;
}

}  // namespace rivel
