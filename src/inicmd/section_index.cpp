// The stored commands indexed by section.
#include "inicmd/section_index.h"

namespace rivel {

namespace {
const std::vector<size_t>& NoPositions() {
    static const std::vector<size_t> none;
    return none;
}
}  // namespace

const std::vector<size_t>& SectionIndex::CommandsOf(const std::string& upperSection) const {
    auto it = commands.find(upperSection);
    return it == commands.end() ? NoPositions() : it->second;
}

const std::vector<size_t>& SectionIndex::ReplacesOf(const std::string& upperSection) const {
    auto it = replaces.find(upperSection);
    return it == replaces.end() ? NoPositions() : it->second;
}

SectionIndex BuildSectionIndex(const CommandStore& store) {
    SectionIndex index;
    for (size_t i = 0; i < store.CommandList.size(); ++i) {
        index.commands[store.CommandList[i].UpperSection].push_back(i);
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
