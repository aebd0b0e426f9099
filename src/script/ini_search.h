// The section and key search that the INFILE/ININI conditions and the INI-value system variables
// share: a file read line by line, each line trimmed, names compared without regard to case.
#pragma once

#include <string>

#include "base/run_context.h"
#include "text/line_io.h"

namespace rivel {

// Reads trimmed lines until one equals section (compared upper-cased). last is the last line
// read ("" when the file has none). True when the section line was found.
bool SeekSection(LineReader& reader, const std::string& section, std::string& last);

enum class KeySearch { EmptySection, Found, NotFound };

// After the section line: reads the section's lines until one has the key (and, when
// value is given, that value too), a line starts the next section or the file ends. lineKey and
// lineValue are the split of the last line read. EmptySection when the section has no line.
KeySearch SeekKey(RunContext& run, const RunOptions& options, LineReader& reader,
                  const std::string& key, const std::string* value, std::string& lineKey,
                  std::string& lineValue);

// Reads the next line trimmed; false at the end of the file.
bool ReadTrimmed(LineReader& reader, std::string& line);

}  // namespace rivel
