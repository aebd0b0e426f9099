// What a preview run (/p) shows in place of the changes it does not make: the lines on standard
// output that name the programs it would start and the files it would write.
#pragma once

#include <string>

#include "base/run_context.h"

namespace rivel {

// "would run: <command>". The program is not started; as if it had run and returned 0, the
// last error code becomes 0, which the output says once per process.
void PreviewProgram(RunContext& run, const std::string& command);

// "would write: <name>" for an output file of O lines.
void PreviewOutputFile(const std::string& name);

// A unified diff (or any text) written to standard output.
void WritePreviewText(const std::string& text);

}  // namespace rivel
