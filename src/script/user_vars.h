// User variables: the ValueList of the whole run, assigned with ":=" and used through $(NAME).
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

// Creates the (empty) user-variable list at the start of a run.
void InitValues(RunContext& run, const RunOptions& options);

// Disposes of the user-variable list at the end of a run.
void FreeValues(RunContext& run, const RunOptions& options);

// The user-variable step of every reader: replaces $(NAME) references and carries out an
// assignment line. doIt is the reader's block state (the top of its IfStack); a line that is
// not carried out creates no variable. Returns the line for the reader's further steps.
std::string ProcessVarline(RunContext& run, const RunOptions& options, const std::string& line,
                           int doIt);

// The lookup of $(...) references: system variables (_NAME), environment variables (%NAME) and
// user variables. Takes a name as SubstVar collects it ('NAME)') or an operand ('$(NAME)').
std::string UserVarValue(RunContext& run, const RunOptions& options, const std::string& name);

// Every "$$" turned into "$".
std::string DeDupe(RunContext& run, const RunOptions& options, const std::string& text);

}  // namespace rivel
