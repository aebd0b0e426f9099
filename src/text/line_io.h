// Reading and writing text files line by line. Lines of any length are read whole; LF and CRLF
// both end a line, and the CR is never part of the line. A file's line-end style is remembered
// so that a rewritten file can keep it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace rivel {

class LineReader {
  public:
    LineReader() = default;
    explicit LineReader(const std::string& path) { Open(path); }
    ~LineReader() { Close(); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    void Close();

    // Reads the next line (a last line without a line end included). False at the end.
    bool ReadLine(std::string& line);

    // True when the line last read was ended by a line end (false for an unterminated last line).
    bool LastLineEnded() const { return lastLineEnded_; }

    // True when a read error occurred (as opposed to the end of the file).
    bool Failed() const { return failed_; }

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
};

// Writes a file line by line with a fixed line end; remembers any write error.
class LineWriter {
  public:
    LineWriter() = default;
    ~LineWriter() { Close(); }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Creates or truncates the file.
    bool Open(const std::string& path, std::string lineEnd);
    bool IsOpen() const { return file_ != nullptr; }
    void WriteLine(const std::string& line);
    // Writes text without a line end.
    void Write(const std::string& text);
    // Flushes and closes; false when any write (or the close) failed.
    bool Close();
    bool Failed() const { return failed_; }

  private:
    std::FILE* file_ = nullptr;
    std::string lineEnd_;
    bool failed_ = false;
};

// Reads a whole file (not a directory) into data, appending. False when it cannot be opened
// or a read fails.
bool ReadWholeFile(const std::string& path, std::string& data);

}  // namespace rivel
