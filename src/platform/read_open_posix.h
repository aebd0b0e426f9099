// Opening a file only to read it, on POSIX: shared by the line reader's streams and the
// positional reads of whole files.
#pragma once

#include <sys/stat.h>

#include <string>

namespace rivel {

// Opens path for reading without waiting in open (which, for a pipe, would wait for a writer
// without end) and tells what it is in info. Gives the descriptor, still not blocking, or -1
// with the system's reason in errorText.
int OpenToRead(const std::string& path, struct stat& info, std::string& errorText);

}  // namespace rivel
