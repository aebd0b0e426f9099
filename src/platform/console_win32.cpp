// Win32 console: _getch for one key without echo; the raw command line from GetCommandLineA.
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/console.h"

namespace rivel {

// The program writes its files through handles of the system, never through numbers of the C
// library, so no message meant for a missing standard stream can end up in one of them.
void KeepStandardStreamsOpen() {}

int ReadKeyNoEcho() {
    if (_isatty(_fileno(stdin))) {
        int c = _getch();
        // Arrow and function keys come as 0 or 0xE0 and a second code: one key, not two.
        if ((c == 0 || c == 0xE0) && _kbhit()) {
            _getch();
        }
        return c == EOF ? 27 : c;
    }
    int c = std::fgetc(stdin);
    return c == EOF ? 27 : c;
}

std::string RawCommandLine(int, char**) {
    std::string line = GetCommandLineA();
    // Skip the program name: quoted, or up to the first blank.
    size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        size_t close = line.find('"', 1);
        i = close == std::string::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
    }
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
        ++i;
    }
    return line.substr(i);
}

void WriteStdoutBytes(const std::string& text) {
    // Binary for the write alone: the C library's text mode would add a CR before every LF.
    std::fflush(stdout);
    const int old = _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    if (old != -1) {
        _setmode(_fileno(stdout), old);
    }
}

}  // namespace rivel
