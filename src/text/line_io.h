// Reading and writing text files line by line. Lines of any length are read whole; LF and CRLF
// both end a line, and the CR is never part of the line. A file's line-end style and encoding
// are remembered so that a rewritten file can keep them: a UTF-8 byte-order mark is not part of
// the first line, and a UTF-16 file (with its byte-order mark) is converted to the program's text
// as it is read and back as it is written.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_replace.h"
#include "platform/text_encoding.h"

namespace rivel {

// How a file's bytes hold its text. Utf8BomBytes: UTF-8 with a mark whose text has characters
// the program's text lacks (where that is not UTF-8 itself), so its bytes are taken as they are.
enum class TextEncoding { Plain, Utf8Bom, Utf8BomBytes, Utf16LE, Utf16BE };

class LineReader {
  public:
    LineReader() = default;
    explicit LineReader(const std::string& path) { Open(path); }
    ~LineReader() { Close(); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens the file for reading. A directory is refused (ErrorText tells why).
    bool Open(const std::string& path);
    // Reads text held in memory instead, as a file of that encoding whose text it is.
    void OpenText(std::string_view text, TextEncoding encoding);
    bool IsOpen() const { return file_ != nullptr || inMemory_; }
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

    // The line end of the line last read as it stood in the file: "\r\n", "\n" or "" (an
    // unterminated last line).
    const char* LastLineEnd() const { return lastLineEnd_; }

    // The encoding found at the start of the file.
    TextEncoding Encoding() const { return encoding_; }

    // True when the file is UTF-16 (or UTF-8 with a mark, where the program's text is another
    // encoding) and held text that cannot be converted to the program's text
    // (reading then stops, and Failed() is true too).
    bool ConversionFailed() const { return conversionFailed_; }

  private:
    bool Fill();
    bool FillUtf16();
    bool FillUtf8();
    size_t ReadPending();
    bool Utf8RestConverts();
    void DetectEncoding();

    std::FILE* file_ = nullptr;
    bool inMemory_ = false;
    std::vector<char> buffer_;
    // UTF-16 or UTF-8 bytes read but not yet converted (an odd byte, a surrogate waiting for its
    // pair, the first bytes of a UTF-8 character).
    std::string pending_;
    TextEncoding encoding_ = TextEncoding::Plain;
    bool conversionFailed_ = false;
    const char* lastLineEnd_ = "";
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

    // Starts the new version (see ReplacementFile::Begin); a file with a byte-order mark starts
    // with it. False with ErrorText() when the file cannot be written; RefusedNotRegular()
    // tells whether it was not a regular file.
    bool Open(const std::string& path, std::string lineEnd, const ReplaceOptions& options = {});
    bool Open(const std::string& path, std::string lineEnd, TextEncoding encoding,
              const ReplaceOptions& options = {});
    // Starts a new version that is only kept in memory, as text (a preview's): nothing on disk
    // is created or changed. Text() holds what was written, line ends included, without a
    // byte-order mark, as ReadWholeText reads a file; text that the encoding set later could
    // not hold still fails the writer.
    void OpenInMemory(std::string lineEnd);
    const std::string& Text() const { return memory_; }
    bool IsOpen() const { return inMemory_ || file_.IsOpen(); }
    TextEncoding Encoding() const { return encoding_; }
    bool RefusedNotRegular() const { return file_.RefusedNotRegular(); }
    void SetLineEnd(std::string lineEnd) { lineEnd_ = std::move(lineEnd); }
    // Sets the encoding of a file opened as plain text, before anything is written to it: the
    // byte-order mark is written at once.
    void SetEncoding(TextEncoding encoding);
    // Writes the line and the file's line end. After a line written without a line end, the
    // file's line end goes first, and after one written with a lone CR (a last line as read)
    // an LF, so that lines never run together.
    void WriteLine(const std::string& line);
    // Writes the line followed by the given line end ("" leaves the line open).
    void WriteLine(const std::string& line, const char* lineEnd);
    // Writes text without a line end.
    void Write(std::string_view text);
    // Puts the new version in place; false (with ErrorText) when any write or the replacement
    // failed, and the file is then unchanged.
    bool Close();
    // Drops the new version; the file is unchanged.
    void Abandon() {
        file_.Abandon();
        memory_.clear();
    }
    bool Failed() const { return failed_; }
    // True when text could not be converted to the file's UTF-16 (Failed() is true too).
    bool ConversionFailed() const { return conversionFailed_; }
    // Whether lines were written and the last of them has text: a section that goes next is
    // parted from it by an empty line.
    bool EndsInText() const { return linesWritten_ > 0 && !lastLineEmpty_; }
    const std::string& ErrorText() const { return errorText_; }
    ReplacementFile& File() { return file_; }

  private:
    void Reset(std::string lineEnd, bool inMemory);
    void WriteBytes(const char* data, size_t size);

    ReplacementFile file_;
    bool inMemory_ = false;
    std::string memory_;
    std::string lineEnd_;
    TextEncoding encoding_ = TextEncoding::Plain;
    bool failed_ = false;
    bool conversionFailed_ = false;
    bool lineOpen_ = false;
    // The line last written ended with a lone CR, which no reader takes for a line end.
    bool endedByCr_ = false;
    size_t linesWritten_ = 0;
    bool lastLineEmpty_ = false;
    std::u16string units_;
    std::string bytes_;
    std::string errorText_;
};

// Reads a whole file (not a directory) into data, appending. False when it cannot be opened
// or a read fails.
bool ReadWholeFile(const std::string& path, std::string& data);

// Reads a whole file as text: a byte-order mark left out, UTF-16 converted, every line with
// the line end it had. False when the file cannot be read or converted.
bool ReadWholeText(const std::string& path, std::string& text);

}  // namespace rivel
