// libFuzzer target for RCM files: the first byte picks REGEDIT, REGEDIT4 or REGEDITCMD1, the rest
// are the file's lines, applied to a registry held in memory (a store of registry files that is
// never written). Execute lines and output files do nothing here. Inputs that name files to read
// (INFILE, _FILEINIVALUE, _FILEMAXNUMKEY) are skipped, as in the script line target.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/run_context.h"
#include "rcmfile/rcm_file.h"
#include "registry/hive_store.h"
#include "script/user_vars.h"
#include "text/line_io.h"
#include "text/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string upper = rivel::UpperCase(input);
    if (upper.find("INFILE") != std::string::npos || upper.find("_FILE") != std::string::npos) {
        return 0;
    }
    rivel::RunContext run;
    rivel::RunOptions options;
    options.VerboseMode = 0;
    options.RegistryFile = 1;
    options.RcmSignature = 1 + data[0] % 3;
    auto store = rivel::OpenHiveStore("/nonexistent/rivel-fuzz-registry", nullptr);
    run.registry = store;
    rivel::InitValues(run, options);
    size_t start = 0;
    rivel::RcmLineSource source = [&](std::string& line, bool& ended) {
        if (start >= input.size()) {
            return false;
        }
        size_t end = input.find('\n', start);
        ended = end != std::string::npos;
        if (!ended) {
            end = input.size();
        }
        line = input.substr(start, end - start);
        start = end + 1;
        return true;
    };
    rivel::RcmEffects effects;
    effects.run = [](const std::string&) { return rivel::CommandResult{true, 0, 0}; };
    effects.openOutput = [](rivel::LineWriter&, const std::string&) { return false; };
    rivel::ProcessRcmLines(run, options, *store, source, effects);
    rivel::FreeValues(run, options);
    return 0;
}
