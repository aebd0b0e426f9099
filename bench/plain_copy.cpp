// The benchmark's baseline: copies a text file line by line with the same line reader and writer
// that rivel uses, so that the benchmark compares rivel's work with the bare I/O.
#include <cstdio>
#include <string>

#include "text/line_io.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: plain_copy <from> <to>\n");
        return 2;
    }
    rivel::LineReader in;
    if (!in.Open(argv[1])) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    std::string line;
    bool more = in.ReadLine(line);
    rivel::LineWriter out;
    if (!out.Open(argv[2], in.LineEnd().empty() ? "\n" : in.LineEnd())) {
        std::fprintf(stderr, "cannot create %s\n", argv[2]);
        return 1;
    }
    while (more) {
        out.WriteLine(line);
        more = in.ReadLine(line);
    }
    return out.Close() && !in.Failed() ? 0 : 1;
}
