// Variable substitution: %NAME% references by environment values, $(NAME) by user variables.
#pragma once

#include <functional>
#include <string>

#include "base/run_context.h"

namespace rivel {

// The lookup that parameterises SubstVar: (options, name as collected) -> value.
using EFunc =
    std::function<std::string(RunContext& run, const RunOptions& options, const std::string& name)>;

// How deeply $( references may nest inside one another. A deeper reference is reported at
// level 1 and left in the line as written, without any lookup.
inline constexpr int kMaxReferenceNesting = 200;

// Replaces the references of one marker ("%" or "$") in the line, looking names up with efunc.
std::string SubstVar(RunContext& run, const RunOptions& options, char marker,
                     const std::string& line, const EFunc& efunc);

// The environment lookup: the variable's value, or "" (with a level-3 message) when undefined.
std::string EnvValue(RunContext& run, const RunOptions& options, const std::string& name);

// SubstVar with "%" and EnvValue.
std::string SubstEnv(RunContext& run, const RunOptions& options, const std::string& line);

}  // namespace rivel
