// The replace commands of a rewrite pass: each replaces every occurrence of its text in the
// lines of its section (or of every section), ignoring case or not, without running for ever
// when the replacement keeps forming the text again.
#pragma once

#include <string>

#include "base/run_context.h"
#include "inicmd/command_list.h"
#include "inicmd/section_index.h"

namespace rivel {

// Storage that the replace commands reuse from line to line.
struct ReplaceScratch {
    std::string out, window;
};

// Applies the replace commands to one line (trailing blanks removed first): those for every
// line and currentReplaces, the positions of the current section's replace records. Returns the
// result: line itself when nothing changed it, otherwise l. The caller keeps l and scratch from
// line to line.
const std::string& ReplaceLine(RunContext& run, const RunOptions& options, CommandStore& store,
                               const SectionIndex& index, Positions currentReplaces,
                               const std::string& line, std::string& l, ReplaceScratch& scratch);

}  // namespace rivel
