// Writes the manual page rivel.1 from the help text; run by the build.
#include <cstdio>
#include <fstream>
#include <string>

#include "driver/manual.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_manual <output file>\n");
        return 2;
    }
    const std::string page = rivel::ManualPage();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(page.data(), static_cast<std::streamsize>(page.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_manual: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
