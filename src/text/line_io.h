// Reading and writing text files line by line. Lines of any length are read whole; LF and CRLF
// both end a line, and the CR is never part of the line. A file's line-end style is remembered
// so that a rewritten file can keep it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_replace.h"

namespace rivel {

class LineReader {
  public:
    LineReader() = default;
    explicit LineReader(const std::string& path) { Open(path); }
    ~LineReader() { Close(); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens the file for reading. A directory is refused (ErrorText tells why).
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    void Close();

    // Reads the next line (a last line without a line end included). False at the end.
    bool ReadLine(std::string& line);

    // True when the line last read was ended by a line end (false for an unterminated last line).
    bool LastLineEnded() const { return lastLineEnded_; }

    // True when a read error occurred (as opposed to the end of the file).
    bool Failed() const { return failed_; }
    // The system's text for the failed open or read.
    const std::string& ErrorText() const { return errorText_; }

    // The line end of the first line that had one ("\r\n" or "\n"); "" when none was seen yet.
    const std::string& LineEnd() const { return lineEnd_; }

  private:
    bool Fill();

    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    bool failed_ = false;
    bool lastLineEnded_ = false;
    std::string lineEnd_;
    std::string errorText_;
};

// Writes a new version of a file line by line with a fixed line end, through the one file
// replacement routine: nothing is visible under the file's name until Close puts the whole new
// version in place. Remembers any write error; a writer dropped without Close changes nothing.
class LineWriter {
  public:
    LineWriter() = default;
    ~LineWriter() = default;
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Starts the new version (see ReplacementFile::Begin). False with ErrorText() when the
    // file cannot be written; RefusedNotRegular() tells whether it was not a regular file.
    bool Open(const std::string& path, std::string lineEnd, const ReplaceOptions& options = {});
    bool IsOpen() const { return file_.IsOpen(); }
    bool RefusedNotRegular() const { return file_.RefusedNotRegular(); }
    void SetLineEnd(std::string lineEnd) { lineEnd_ = std::move(lineEnd); }
    void WriteLine(const std::string& line);
    // Writes text without a line end.
    void Write(const std::string& text);
    // Puts the new version in place; false (with ErrorText) when any write or the replacement
    // failed, and the file is then unchanged.
    bool Close();
    // Drops the new version; the file is unchanged.
    void Abandon() { file_.Abandon(); }
    bool Failed() const { return failed_; }
    const std::string& ErrorText() const { return errorText_; }
    ReplacementFile& File() { return file_; }

  private:
    ReplacementFile file_;
    std::string lineEnd_;
    bool failed_ = false;
    std::string errorText_;
};

// Reads a whole file (not a directory) into data, appending. False when it cannot be opened
// or a read fails.
bool ReadWholeFile(const std::string& path, std::string& data);

}  // namespace rivel
