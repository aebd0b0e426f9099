// The split of INI and NET.CFG lines and of "[section]key=value" command text, numbered keys,
// and the setting of environment variables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/run_context.h"
#include "text/strings.h"

namespace rivel {

// The number formed by the trailing decimal digits of a key name (0 when there are none; a value
// too large for 32 bits is held at the largest one).
int32_t GetNum(RunContext& run, const RunOptions& options, std::string_view key);

// The stem of a key as spelled: without its trailing digits and the blanks before them.
std::string_view KeyStemView(std::string_view key);

// The upper-cased key name without its trailing digits and the blanks before them.
std::string SNum(RunContext& run, const RunOptions& options, std::string_view key);

// Splits a line at its first Delimiter into trimmed key and value (NET.CFG mode 1: at the last
// space when there is no delimiter).
void SplitKeyValue(RunContext& run, const RunOptions& options, std::string_view line,
                   std::string& key, std::string& value);

// SplitKeyValue without copies: the parts are views into line.
void SplitKeyValueView(RunContext& run, const RunOptions& options, std::string_view line,
                       std::string_view& key, std::string_view& value);

// Splits command text "[section]key=value": the section keeps its brackets and is not trimmed.
void SplitSectionKeyValue(RunContext& run, const RunOptions& options, std::string_view text,
                          std::string& section, std::string& key, std::string& value);
// SplitSectionKeyValue without copies: the parts are views into text.
void SplitSectionKeyValueView(RunContext& run, const RunOptions& options, std::string_view text,
                              std::string_view& section, std::string_view& key,
                              std::string_view& value);

// True when the (non-empty) line opens a section in the file type given by CfgMode (inline: the
// rewrite pass asks it of every line).
inline bool IsSectionLine(const RunOptions& options, std::string_view line) {
    if (options.CfgMode == 0) {
        return CharAt(line, 0) == '[';
    }
    if (options.CfgMode == 2) {
        return false;
    }
    char first = CharAt(line, 0);
    return first != ' ' && first != '\t' && line.find(options.Delimiter) == std::string_view::npos;
}

// Sets a variable of the program's own environment; an empty name does nothing.
void SetEnvVar(const std::string& name, const std::string& value);

}  // namespace rivel
