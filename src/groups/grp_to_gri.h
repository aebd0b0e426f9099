// The GRP decompiler: a program group file written out as GRI text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/run_context.h"

namespace rivel {

// The program part of a command line split as the system splits a path: drive ("C:"),
// directory (ending in its separator), base name and extension (with its dot). Group files hold
// Windows command lines, so "\" and "/" both separate directories on every platform.
struct ProgramPath {
    std::string drive;
    std::string dir;
    std::string name;
    std::string ext;
};
ProgramPath SplitProgramPath(std::string_view path);

// What a GRP image decompiles into: the lines of the GRI text (none when the header is
// unusable) and the error lines meant for standard output.
struct DecompiledGroup {
    std::vector<std::string> lines;
    std::vector<std::string> console;
    // What the GRI text cannot give back as it was read ("PRGName", "PRG Item Nr. 3"): a text
    // that holds a line end, or an item whose section line reads as the group's own header.
    // Compiling such a text would change or lose that item.
    std::vector<std::string> unwritable;
};

// Decompiles a GRP image held in memory. Every read is bounded by the image; damaged parts are
// reported in console and left out. timeText is the local time for the head line.
DecompiledGroup DecompileGrp(RunContext& run, const RunOptions& options, std::string_view image,
                             const std::string& grpName, const std::string& timeText);

// The lines as a text, each followed by lineEnd.
std::string JoinLines(const std::vector<std::string>& lines, const std::string& lineEnd);

// Decompiles grpFile into the text file griFile. False when the group could not be read whole
// (missing, not a group file, damaged) or the text could not be written; the reasons are
// reported.
bool GrpToGri(RunContext& run, const RunOptions& options, const std::string& grpFile,
              const std::string& griFile);

// The /d run's per-file operation: GrpToGri.
void DecompileGrpFile(RunContext& run, RunOptions& options, const std::string& grpFile,
                      const std::string& griFile);

}  // namespace rivel
