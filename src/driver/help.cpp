// The eight help pages shown for /h and /?.
#include "driver/help.h"

#include <cstdio>
#include <string_view>

#include "driver/banner.h"
#include "driver/help_text.h"
#include "platform/console.h"

namespace rivel {

namespace {

void Write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

void ShowHelp(RunContext& run) {
    WriteBanner(run);
    const std::vector<HelpLines>& pages = HelpPages();
    const size_t pageCount = pages.size();
    for (size_t i = 0; i < pageCount; ++i) {
        for (std::string_view line : pages[i]) {
            Write(line);
            Write("\n");
        }
        Write("----- PRESS ANY KEY, ESC to abort -----");
        std::fflush(stdout);
        const int escape = 27;
        if (ReadKeyNoEcho() == escape) {
            return;
        }
        if (i + 1 < pageCount) {
            Write("\n");
        }
    }
    std::fflush(stdout);
}

}  // namespace rivel
