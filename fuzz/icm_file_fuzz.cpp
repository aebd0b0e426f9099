// Fuzz target: an ICM file read and run line by line, with IF blocks, substitution and user
// variables. Invocations are only counted, and the run is a preview, so E lines start nothing.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "base/run_context.h"
#include "icmfile/icm_file.h"
#include "script/user_vars.h"
#include "text/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string upper = rivel::UpperCase(text);
    if (upper.find("INFILE") != std::string::npos || upper.find("ININI") != std::string::npos ||
        upper.find("_FILE") != std::string::npos || upper.find("VALUE") != std::string::npos) {
        return 0;
    }
    const std::string path = "/tmp/rivel-fuzz-" + std::to_string(getpid()) + ".icm";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    rivel::RunContext run;
    size_t invocations = 0;
    run.runInvocation = [&invocations](rivel::RunContext&, const rivel::RunOptions&,
                                       const std::string&) { ++invocations; };
    rivel::RunOptions options;
    options.VerboseMode = 0;
    options.Preview = 1;
    rivel::InitValues(run, options);
    rivel::ProcessIcmFile(run, options, path);
    rivel::FreeValues(run, options);
    std::remove(path.c_str());
    return 0;
}
