// The key-level half of the rewrite pass: the commands applied to one key line, the keys added
// at the end of a section, and the form of every key line the pass writes.
#pragma once

#include <string>

#include "base/run_context.h"
#include "inicmd/command_list.h"
#include "inicmd/section_index.h"
#include "text/line_io.h"

namespace rivel {

// indent + key + separator + value, in the form of the file type (INI or NET.CFG).
std::string MakeKeyLine(const RunOptions& options, const std::string& section,
                        const CommandRecord& record, const std::string& key,
                        const std::string& value);

// 1-based position of item in a list value of items separated by ",", ";" or spaces; 0 when
// absent. The comparison is exact (callers pass upper-case copies).
size_t FindInList(const std::string& list, const std::string& item);

// Applies the commands of section (upper case) to one key line, starting at position `from` of
// the section's command list. Returns the new line; "" means the line is removed.
std::string ProcessLine(RunContext& run, const RunOptions& options, CommandStore& store,
                        const SectionIndex& index, const std::string& section,
                        const std::string& line, size_t from = 0);
// The same with the section's command positions already looked up.
std::string ProcessLine(RunContext& run, const RunOptions& options, CommandStore& store,
                        const SectionCommands& commands, const std::string& section,
                        const std::string& line, size_t from);

// False when no command of the section from position `from` on can act on the key line, so that
// ProcessLine (which splits, copies and traces it) can be skipped: a quick look at the line's
// key alone, split and compared as ProcessLine does, without a copy.
bool MayActOn(const RunOptions& options, const SectionCommands& commands, std::string_view line,
              size_t from);

// Writes the keys that the add commands of section (whose commands are `commands`) still have
// to add. True when it wrote any line. `from` is an index into the section's records before
// which no add is pending.
bool FlushSection(RunContext& run, const RunOptions& options, CommandStore& store,
                  const SectionIndex& index, const SectionCommands& commands, LineWriter& output,
                  const std::string& section, bool deleted, bool commented, size_t from = 0);

}  // namespace rivel
