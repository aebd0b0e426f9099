// Fuzz target: any bytes as a GRP file. The decompiler must stay inside them, and whatever it
// reads must compile into a sound group.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "group_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rivel::RunContext run;
    rivel::RunOptions options;
    options.VerboseMode = 0;
    options.SwapMode = static_cast<int>(size % 4);  // the four modes that compile back
    std::string_view image(reinterpret_cast<const char*>(data), size);
    rivel::DecompiledGroup text = rivel::DecompileGrp(run, options, image, "fuzz.grp", "now");
    std::string compiled;
    if (rivel::BuildGrpImage(rivel_fuzz::Parse(run, options, text.lines), compiled)) {
        rivel_fuzz::CheckRoundTrip(run, options, compiled);
    }
    return 0;
}
