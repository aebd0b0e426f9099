// libFuzzer target for the script language: every input is a few CMD lines, each passed through
// substitution, the user-variable step and the block rule as a reader does. Inputs that name
// files to read (INFILE, _FILEINIVALUE, _FILEMAXNUMKEY) are skipped: a file name such as a
// terminal device would block by design, which says nothing about the parsers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/run_context.h"
#include "script/if_block.h"
#include "script/substitution.h"
#include "script/user_vars.h"
#include "text/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string upper = rivel::UpperCase(input);
    if (upper.find("INFILE") != std::string::npos || upper.find("_FILE") != std::string::npos) {
        return 0;
    }
    rivel::RunContext run;
    rivel::RunOptions options;
    options.VerboseMode = 0;
    rivel::InitValues(run, options);
    rivel::IfStack stack;
    size_t start = 0;
    while (start <= input.size()) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) {
            end = input.size();
        }
        std::string line = input.substr(start, end - start);
        line = rivel::SubstEnv(run, options, line);
        line = rivel::ProcessVarline(run, options, line, stack.Top());
        rivel::ApplyBlockRule(run, options, stack, rivel::BlockReader::Cmd, rivel::TrimLeft(line),
                              "");
        start = end + 1;
    }
    rivel::FinishIfStack(run, options, stack, rivel::BlockReader::Cmd);
    rivel::FreeValues(run, options);
    return 0;
}
