// The rewrite pass: one streaming pass over an INI (or NET.CFG) file that applies the stored
// commands and writes the result to another file.
#pragma once

#include <string>

#include "driver/run_options.h"
#include "inicmd/command_list.h"
#include "inicmd/section_index.h"

namespace rivel {

// Whether the last pass changed anything (read by the replacement step).
bool IniChanged();
void SetIniChanged();
void ClearIniChanged();

// Applies the replace commands to one line (trailing blanks removed first).
std::string ReplaceLine(const RunOptions& options, CommandStore& store, const SectionIndex& index,
                        const std::string& currentSection, const std::string& line);

// Rewrites input into output with the commands of Commands(). Returns 1 on success, 0 when the
// input could not be read (and no empty file may be used) or the output could not be written.
// The output keeps the input's line end; a new file gets the platform's.
int ScanINI(const RunOptions& options, const std::string& input, const std::string& output);

}  // namespace rivel
