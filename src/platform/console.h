// Console services: one key without echo, the local time text and the raw command line.
#pragma once

#include <ctime>
#include <string>

namespace rivel {

// Makes sure standard input, output and error are open (on the null device when the program was
// started without them): a file the run opens would otherwise get one of their numbers, and the
// messages meant for the console would be written into it.
void KeepStandardStreamsOpen();

// Reads one key without echo and without waiting for Enter when standard input is a terminal,
// otherwise one byte. End of input is returned as ESC (27).
int ReadKeyNoEcho();

// A date and time in the C library's text form, ending with a line end
// ("Sat Jun 01 11:48:39 1996\n").
std::string TimeText(const std::tm& time);

// The local date and time in that form.
std::string LocalTimeText();

// The command line after the program name, as the system passed it, leading blanks removed.
std::string RawCommandLine(int argc, char** argv);

// Writes text to standard output byte for byte (no line-end translation), as a diff must be.
void WriteStdoutBytes(const std::string& text);

}  // namespace rivel
