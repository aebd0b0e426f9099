// Checks shared by the two group-file fuzz targets: what holds for any group the compiler makes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "groups/gri_parse.h"
#include "groups/grp_format.h"
#include "groups/grp_image.h"
#include "groups/grp_to_gri.h"

namespace rivel_fuzz {

inline void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "group check failed: %s\n", what);
        std::abort();
    }
}

inline rivel::GroupDef Parse(rivel::RunContext& run, const rivel::RunOptions& options,
                             const std::vector<std::string>& lines) {
    rivel::GriParser parser(run, options);
    for (const std::string& line : lines) {
        parser.Line(line);
    }
    return parser.group;
}

// A group made by the compiler sums to 0 and decompiles without a single complaint.
inline rivel::DecompiledGroup CheckCompiled(rivel::RunContext& run,
                                            const rivel::RunOptions& options,
                                            const std::string& image) {
    Require(rivel::WordSum(image) == 0, "checksum");
    rivel::DecompiledGroup text = rivel::DecompileGrp(run, options, image, "fuzz.grp", "now");
    Require(text.console.empty(), "compiled group decompiles cleanly");
    return text;
}

// Compiling decompiled text settles after one round: the second and third compiles agree.
inline void CheckRoundTrip(rivel::RunContext& run, const rivel::RunOptions& options,
                           const std::string& image) {
    rivel::DecompiledGroup text = CheckCompiled(run, options, image);
    std::string second, third;
    if (!rivel::BuildGrpImage(Parse(run, options, text.lines), second)) {
        return;  // a group near the size limit can grow by the empty strings it gains
    }
    text = CheckCompiled(run, options, second);
    Require(rivel::BuildGrpImage(Parse(run, options, text.lines), third), "third compile");
    Require(second == third, "decompile and compile give the same group again");
}

}  // namespace rivel_fuzz
