// The condition evaluator of IF lines: elementary conditions on group membership, environment
// variables, files, directories and INI contents, combined with OR, AND, NOT and parentheses.
// All four levels share one position in the line, which each moves past what it has read; what
// is not needed for the result is not read at all.
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

// How deeply parentheses and NOTs may nest. A deeper condition is reported at level 1 and is
// false as a whole.
inline constexpr int kMaxConditionNesting = 200;

// A whole condition: 1 for true, 0 for false.
int EvalOr(RunContext& run, const RunOptions& options, const std::string& line, size_t& position,
           const std::string& iniFile);

}  // namespace rivel
