// The stored commands indexed by section, so that the rewrite pass looks only at the commands of
// the section it is in: its cost grows with lines plus commands, not lines times commands.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "inicmd/command_list.h"

namespace rivel {

struct SectionIndex {
    // UpperCase(section) -> positions in CommandList, in list (CMD-file) order.
    std::unordered_map<std::string, std::vector<size_t>> commands;
    // Section -> positions in ReplaceList, in list order; "[]" records are kept apart in `all`.
    std::unordered_map<std::string, std::vector<size_t>> replaces;
    std::vector<size_t> replacesEverywhere;

    const std::vector<size_t>& CommandsOf(const std::string& upperSection) const;
    const std::vector<size_t>& ReplacesOf(const std::string& upperSection) const;
};

SectionIndex BuildSectionIndex(const CommandStore& store);

}  // namespace rivel
