// The rewrite pass: one streaming pass over an INI (or NET.CFG) file that applies the stored
// commands and writes the result to another file.
#pragma once

#include <string>
#include <vector>

#include "base/run_context.h"
#include "inicmd/command_list.h"
#include "inicmd/section_index.h"
#include "text/line_io.h"

namespace rivel {

// Rewrites input into output with the commands of store, setting store.IniChanged. Returns 1 on
// success, 0 when the input could not be read (and no empty file may be used) or the output could
// not be written. The output keeps the input's line end; a new file gets the platform's.
int ScanINI(RunContext& run, const RunOptions& options, CommandStore& store,
            const std::string& input, const std::string& output);

// The same into a writer opened by the caller, which is left open: the caller decides whether
// the new version is put in place. Its line end is set here.
int ScanINI(RunContext& run, const RunOptions& options, CommandStore& store,
            const std::string& input, LineWriter& out);

}  // namespace rivel
