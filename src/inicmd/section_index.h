// The stored commands indexed by section, so that the rewrite pass looks only at the commands of
// the section it is in: its cost grows with lines plus commands, not lines times commands.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "inicmd/command_list.h"

namespace rivel {

// The commands of one section.
struct SectionCommands {
    // Positions in CommandList, in list (CMD-file) order.
    std::vector<size_t> records;
    // UpperCase(key) -> indexes into `records` (ascending) of the commands that act on key lines,
    // so that a key line meets only the commands of its own key.
    std::unordered_map<std::string, std::vector<size_t>> byKey;
    // The same for the numbered-key commands (!, ~), which also match key<digits>.
    std::unordered_map<std::string, std::vector<size_t>> byNumberedKey;
};

struct SectionIndex {
    // UpperCase(section) -> its commands.
    std::unordered_map<std::string, SectionCommands> commands;
    // Section -> positions in ReplaceList, in list order; "[]" records are kept apart in `all`.
    std::unordered_map<std::string, std::vector<size_t>> replaces;
    std::vector<size_t> replacesEverywhere;

    const SectionCommands& CommandsOf(const std::string& upperSection) const;
    const std::vector<size_t>& ReplacesOf(const std::string& upperSection) const;
};

SectionIndex BuildSectionIndex(const CommandStore& store);

}  // namespace rivel
