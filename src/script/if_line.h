// The evaluation of one IF-family line: IF with a condition, and the eight one-line forms
// (IFMEMBER, IFNMEMBER, IFENV, IFNENV, IFEXISTENV, IFNEXISTENV, IFEXISTFILE, IFNEXISTFILE).
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

// True when word (in any case) is one of the nine IF-family words.
bool IsIfWord(const std::string& word);

// Reads the first word at position and evaluates the line's condition: 1 or 0. On return the
// position stands after the condition (for a one-line form: at its command).
int EvalIfLine(RunContext& run, const RunOptions& options, const std::string& line,
               size_t& position, const std::string& iniFile);

}  // namespace rivel
