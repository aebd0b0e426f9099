// Reading GRI text (the editable form of a program group) into a group definition.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/run_context.h"

namespace rivel {

// One program item of a GRI file; a text that no key set stays absent.
struct GroupItem {
    uint16_t iconX = 0;
    uint16_t iconY = 0;
    uint16_t iconIndex = 0;
    std::optional<std::string> title;
    std::optional<std::string> command;
    std::optional<std::string> exeDir;
    std::optional<std::string> path;
    std::optional<std::string> iconFile;
    uint16_t hotKey = 0;
    bool minimized = false;
};

// The group window's settings and the items, in the order of their sections.
struct GroupDef {
    uint16_t showCommand = 1;
    uint16_t left = 0;
    uint16_t top = 0;
    uint16_t right = 0;
    uint16_t bottom = 0;
    uint16_t iconX = 21;
    uint16_t iconY = 14;
    std::string name;
    std::vector<GroupItem> items;
};

// A number as GRI text holds it: decimal with an optional sign, read up to the first non-digit
// (no digits give 0), kept as a 16-bit word (-4 and 65532 both give 0xFFFC).
uint16_t GriNumber(const std::string& text);

// Takes a GRI file line by line (line ends already removed). Unknown keys and show command
// names are collected in console, in the words the standard-output lines use.
class GriParser {
  public:
    GriParser(RunContext& run, const RunOptions& options) : run_(run), options_(options) {}
    void Line(const std::string& line);

    GroupDef group;
    std::vector<std::string> console;

  private:
    void GroupKey(const std::string& key, const std::string& value);
    void ItemKey(GroupItem& item, const std::string& key, const std::string& value);

    enum class Where { Nowhere, Group, Item };
    RunContext& run_;
    const RunOptions& options_;
    Where where_ = Where::Nowhere;
};

}  // namespace rivel
