// Fuzz target: any bytes as GRI text (lines split as the line reader does). The compiler must
// take every line, and the group it makes must decompile cleanly and compile back the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "group_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    rivel::RunContext run;
    rivel::RunOptions options;
    options.VerboseMode = 0;
    // The first byte picks the swap mode, 0 to 9 (4 to 9 are the unknown ones).
    options.SwapMode = text.empty() ? 0 : static_cast<unsigned char>(text[0]) % 10;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    std::string image;
    if (rivel::BuildGrpImage(rivel_fuzz::Parse(run, options, lines), image)) {
        if (options.SwapMode <= 3) {
            rivel_fuzz::CheckRoundTrip(run, options, image);
        } else {
            rivel_fuzz::CheckCompiled(run, options, image);
        }
    }
    return 0;
}
