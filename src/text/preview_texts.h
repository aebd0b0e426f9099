// The files as a preview has left them. A preview changes nothing on disk, but the lines that
// follow in the same run (the next line of an ICM file, an IF INFILE test, $(_INIVALUE...))
// must see each file as the real run would have left it; so the new text of every file a
// preview would have replaced is kept here for the rest of the process, and the reads of INI
// files go through it.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/run_context.h"
#include "text/line_io.h"

namespace rivel {

struct PreviewTexts {
    // By the file's identity (or its name while it does not exist): its text and encoding.
    std::map<std::string, std::pair<std::string, TextEncoding>> files;
    // The files kept while they did not exist, by the same key: their full path as named.
    std::map<std::string, std::string> newFiles;
};

// Keeps the text a preview would have written to path.
void KeepPreviewText(RunContext& run, const std::string& path, std::string text,
                     TextEncoding encoding);

// Opens path for reading as the run has left it so far: its previewed text when there is one,
// else the file.
bool OpenAsLeft(RunContext& run, LineReader& reader, const std::string& path);

// Whether path names a file, or one a preview would have made.
bool ExistsAsLeft(RunContext& run, const std::string& path);

// The names (the last component alone) of the files that a preview would have made in
// directory and that do not exist on disk, in byte order. "" is the current directory.
std::vector<std::string> NewFilesAsLeft(const RunContext& run, const std::string& directory);

// The bytes of path as the run has left it: what a preview would have written there (a group's
// image), else the file. False when the file cannot be read.
bool ReadBytesAsLeft(RunContext& run, const std::string& path, std::string& bytes);

// The whole text of path as the run has left it (empty when there is no such file). False when
// the file exists but cannot be read.
bool ReadTextAsLeft(RunContext& run, const std::string& path, std::string& text);

}  // namespace rivel
