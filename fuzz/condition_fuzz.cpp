// Fuzz target: one IF condition line, evaluated from its start, and the same text as the
// operand of SubstVar in both modes (% and $) with a lookup that answers every name. Conditions
// that read files by name are left out: the fuzzer could name a device.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/run_context.h"
#include "script/conditions.h"
#include "script/substitution.h"
#include "script/user_vars.h"
#include "text/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    std::string upper = rivel::UpperCase(line);
    if (upper.find("INFILE") != std::string::npos || upper.find("ININI") != std::string::npos ||
        upper.find("_FILE") != std::string::npos || upper.find("VALUE") != std::string::npos) {
        return 0;
    }
    rivel::RunContext run;
    rivel::RunOptions options;
    options.VerboseMode = 0;
    size_t position = 0;
    rivel::EvalOr(run, options, line, position, "");

    rivel::EFunc echo = [](rivel::RunContext&, const rivel::RunOptions&, const std::string& name) {
        return "<" + name + ">";
    };
    rivel::SubstVar(run, options, '%', line, echo);
    rivel::SubstVar(run, options, '$', line, echo);
    rivel::InitValues(run, options);
    rivel::ProcessVarline(run, options, line, 1);
    rivel::ProcessVarline(run, options, line, 0);
    rivel::FreeValues(run, options);
    return 0;
}
