// User variables: the ValueList of the whole run, assigned with ":=" and used through $(NAME).
#pragma once

#include <string>

#include "driver/run_options.h"

namespace rivel {

// Creates the (empty) user-variable list at the start of a run.
void InitValues(const RunOptions& options);

// Disposes of the user-variable list at the end of a run.
void FreeValues(const RunOptions& options);

// The user-variable step of every reader: replaces $(NAME) references and carries out an
// assignment line. doIt is the reader's block state (the top of its IfStack); a line that is
// not carried out creates no variable. Returns the line for the reader's further steps.
std::string ProcessVarline(const RunOptions& options, const std::string& line, int doIt);

// The lookup of $(...) references: system variables (_NAME), environment variables (%NAME) and
// user variables. Takes a name as SubstVar collects it ('NAME)') or an operand ('$(NAME)').
std::string UserVarValue(const RunOptions& options, const std::string& name);

// Every "$$" turned into "$".
std::string DeDupe(const RunOptions& options, const std::string& text);

// Tests: the list emptied and the usage counter back to zero.
void ResetValues();

}  // namespace rivel
