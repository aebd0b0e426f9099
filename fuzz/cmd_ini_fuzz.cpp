// Fuzz target: a CMD file applied to an INI file, both from the input, in every CFG mode and
// with any delimiter. The first byte picks the mode and the second the delimiter; the rest is
// the CMD text, then a line "====", then the INI text. The pass must end and write its output,
// and that output must be the same with tracing at level 9, where every key line takes the full
// pass, as at level 0, where the quick look at a key line passes over most of them.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "base/message_log.h"
#include "base/run_context.h"
#include "inicmd/command_list.h"
#include "inicmd/ini_rewrite.h"

namespace {

std::string ScratchName(const char* stem) {
    return "/tmp/rivel-fuzz-" + std::to_string(getpid()) + "-" + stem;
}

// The pass of the CMD text over the INI file in, at that verbosity: what it wrote to out, or
// "(failed)".
std::string Rewrite(const rivel::RunOptions& options, const std::string& cmd, const std::string& in,
                    const std::string& out) {
    rivel::RunContext run;
    rivel::StartLogCapture(run.log);
    rivel::CommandStore store;
    size_t start = 0;
    while (start < cmd.size()) {
        size_t end = cmd.find('\n', start);
        if (end == std::string::npos) {
            end = cmd.size();
        }
        std::string line = cmd.substr(start, end - start);
        // S commands set environment variables from the INI file: harmless, but they would
        // pile up across inputs.
        if (!line.empty() && line[0] != 'S') {
            rivel::ParseCommand(run, options, store, line, in);
        }
        start = end + 1;
    }
    std::string written = "(failed)";
    if (rivel::ScanINI(run, options, store, in, out) != 0) {
        std::ifstream file(out, std::ios::binary);
        written.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    rivel::TakeLogCapture(run.log);
    std::remove(out.c_str());
    return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    std::string input(reinterpret_cast<const char*>(data) + 2, size - 2);
    rivel::RunOptions options;
    options.VerboseMode = 0;
    options.CfgMode = data[0] % 3;
    options.KeepLayout = (data[0] / 3) % 2;
    options.Delimiter = data[1] == 0 ? '=' : static_cast<char>(data[1]);
    options.CreateIni = 1;
    size_t split = input.find("\n====\n");
    std::string cmd = split == std::string::npos ? input : input.substr(0, split);
    std::string ini = split == std::string::npos ? "" : input.substr(split + 6);

    const std::string in = ScratchName("in.ini");
    const std::string out = ScratchName("out.ini");
    std::ofstream(in, std::ios::binary | std::ios::trunc) << ini;
    const std::string quick = Rewrite(options, cmd, in, out);
    options.VerboseMode = 9;
    const std::string full = Rewrite(options, cmd, in, out);
    std::remove(in.c_str());
    if (quick != full) {
        std::fprintf(stderr, "level 0 wrote:\n%s\nlevel 9 wrote:\n%s\n", quick.c_str(),
                     full.c_str());
        std::abort();
    }
    return 0;
}
