// Reading and writing text files line by line.
#include "text/line_io.h"

#include <cstring>

#include "platform/files.h"
#include "platform/text_encoding.h"

namespace rivel {

bool LineReader::Open(const std::string& path) {
    Close();
    if (path.find('\0') != std::string::npos) {
        return false;
    }
    errorText_.clear();
    file_ = OpenReadStream(path, errorText_);
    if (file_ == nullptr) {
        return false;
    }
    buffer_.resize(1 << 16);
    begin_ = end_ = 0;
    eof_ = failed_ = conversionFailed_ = false;
    lineEnd_.clear();
    lastLineEnd_ = "";
    pending_.clear();
    encoding_ = TextEncoding::Plain;
    DetectEncoding();
    return true;
}

void LineReader::OpenText(std::string_view text, TextEncoding encoding) {
    Close();
    errorText_.clear();
    buffer_.assign(text.begin(), text.end());
    begin_ = 0;
    end_ = buffer_.size();
    eof_ = inMemory_ = true;
    failed_ = conversionFailed_ = false;
    lineEnd_.clear();
    lastLineEnd_ = "";
    pending_.clear();
    encoding_ = encoding;
}

// A byte-order mark at the start tells the encoding; it is never part of the first line.
void LineReader::DetectEncoding() {
    Fill();
    const size_t n = end_ - begin_;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(buffer_.data() + begin_);
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        encoding_ = TextEncoding::Utf8Bom;
        if (TextIsUtf8()) {
            begin_ += 3;
        } else if (!Utf8RestConverts()) {
            // Better edited as bytes, as the file is, than refused.
            encoding_ = TextEncoding::Utf8BomBytes;
            begin_ += 3;
        } else {
            pending_.assign(buffer_.data() + begin_ + 3, n - 3);
            begin_ = end_ = 0;
        }
    } else if (n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
        encoding_ = b[0] == 0xFF ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
        pending_.assign(buffer_.data() + begin_ + 2, n - 2);
        begin_ = end_ = 0;
    }
}

void LineReader::Close() {
    inMemory_ = false;
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool LineReader::Fill() {
    if (eof_ || file_ == nullptr) {
        return false;
    }
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (encoding_ == TextEncoding::Utf16LE || encoding_ == TextEncoding::Utf16BE) {
        return FillUtf16();
    }
    if (encoding_ == TextEncoding::Utf8Bom && !TextIsUtf8()) {
        return FillUtf8();
    }
    if (end_ == buffer_.size()) {
        buffer_.resize(buffer_.size() * 2);
    }
    size_t n = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
    if (n == 0) {
        eof_ = true;
        failed_ = std::ferror(file_) != 0;
        if (failed_) {
            errorText_ = LastErrorText();
        }
        return false;
    }
    end_ += n;
    return true;
}

// Reads the next bytes of an encoded file onto pending_; 0 at the end of the file, or when a read
// failed (failed_ then tells which).
size_t LineReader::ReadPending() {
    const size_t chunk = 1 << 16;
    const size_t old = pending_.size();
    pending_.resize(old + chunk);
    const size_t n = std::fread(pending_.data() + old, 1, chunk, file_);
    pending_.resize(old + n);
    if (n == 0) {
        failed_ = std::ferror(file_) != 0;
    }
    return n;
}

// Reads UTF-16 bytes and appends their text to the buffer. A surrogate pair split by the read
// waits for its second half; an odd byte or a lone surrogate at the end cannot be converted.
bool LineReader::FillUtf16() {
    const bool little = encoding_ == TextEncoding::Utf16LE;
    std::u16string units;
    std::string text;
    bool atEnd = false;
    for (;;) {
        if (ReadPending() == 0) {
            atEnd = true;
        }
        size_t count = pending_.size() / 2;
        units.resize(count);
        for (size_t i = 0; i < count; ++i) {
            unsigned char first = static_cast<unsigned char>(pending_[2 * i]);
            unsigned char second = static_cast<unsigned char>(pending_[2 * i + 1]);
            units[i] =
                static_cast<char16_t>(little ? first | (second << 8) : (first << 8) | second);
        }
        if (!atEnd && count > 0 && units[count - 1] >= 0xD800 && units[count - 1] <= 0xDBFF) {
            units.pop_back();
            --count;
        }
        if (count == 0) {
            if (!atEnd) {
                continue;
            }
            eof_ = true;
            if (!pending_.empty()) {
                conversionFailed_ = failed_ = true;
                errorText_ = "UTF-16 text ends inside a character";
            }
            return false;
        }
        text.clear();
        if (!Utf16ToText(units, text)) {
            conversionFailed_ = failed_ = eof_ = true;
            errorText_ = "text not convertible";
            return false;
        }
        pending_.erase(0, 2 * count);
        if (buffer_.size() - end_ < text.size()) {
            buffer_.resize(end_ + text.size());
        }
        std::memcpy(buffer_.data() + end_, text.data(), text.size());
        end_ += text.size();
        return true;
    }
}

// The length of the part of bytes that ends with a whole UTF-8 character: the first bytes of a
// character split by the read wait for the rest.
static size_t WholeUtf8Characters(const std::string& bytes) {
    size_t size = bytes.size();
    for (size_t back = 1; back <= 3 && back <= size; ++back) {
        unsigned char c = static_cast<unsigned char>(bytes[size - back]);
        if ((c & 0xC0) == 0x80) {
            continue;  // a continuation byte: its lead is further back
        }
        size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

// Whether the whole text of a UTF-8 file (its first bytes in the buffer after the mark, the rest
// still to be read) has the program's text. The file is read on to find out and then set back.
bool LineReader::Utf8RestConverts() {
    std::fpos_t at;
    if (std::fgetpos(file_, &at) != 0) {
        return true;  // conversion is then tried as the file is read
    }
    std::string bytes(buffer_.data() + begin_ + 3, end_ - begin_ - 3);
    std::string text;
    bool converts = true;
    for (;;) {
        const size_t old = bytes.size();
        bytes.resize(old + (1 << 16));
        const size_t n = std::fread(bytes.data() + old, 1, 1 << 16, file_);
        bytes.resize(old + n);
        const size_t count = n == 0 ? bytes.size() : WholeUtf8Characters(bytes);
        text.clear();
        if (!Utf8ToText(std::string_view(bytes.data(), count), text)) {
            converts = false;
            break;
        }
        bytes.erase(0, count);
        if (n == 0) {
            break;
        }
    }
    std::clearerr(file_);
    std::fsetpos(file_, &at);
    return converts;
}

// Reads UTF-8 bytes and appends their text to the buffer, where the program's text is not UTF-8.
bool LineReader::FillUtf8() {
    std::string text;
    for (;;) {
        const bool atEnd = ReadPending() == 0;
        size_t count = atEnd ? pending_.size() : WholeUtf8Characters(pending_);
        if (count == 0) {
            if (!atEnd) {
                continue;
            }
            eof_ = true;
            return false;
        }
        text.clear();
        if (!Utf8ToText(std::string_view(pending_.data(), count), text)) {
            conversionFailed_ = failed_ = eof_ = true;
            errorText_ = "text not convertible";
            return false;
        }
        pending_.erase(0, count);
        if (buffer_.size() - end_ < text.size()) {
            buffer_.resize(end_ + text.size());
        }
        std::memcpy(buffer_.data() + end_, text.data(), text.size());
        end_ += text.size();
        return true;
    }
}

bool LineReader::ReadLine(std::string& line) {
    if (!IsOpen()) {
        return false;
    }
    size_t searched = begin_;
    for (;;) {
        const char* start = buffer_.data() + searched;
        const void* nl = std::memchr(start, '\n', end_ - searched);
        if (nl != nullptr) {
            size_t pos = static_cast<const char*>(nl) - buffer_.data();
            size_t len = pos - begin_;
            bool cr = len > 0 && buffer_[pos - 1] == '\r';
            if (lineEnd_.empty()) {
                lineEnd_ = cr ? "\r\n" : "\n";
            }
            line.assign(buffer_.data() + begin_, cr ? len - 1 : len);
            begin_ = pos + 1;
            lastLineEnded_ = true;
            lastLineEnd_ = cr ? "\r\n" : "\n";
            return true;
        }
        searched = end_ - begin_;  // offset relative to begin_, kept across the move in Fill
        size_t kept = searched;
        if (!Fill()) {
            // Text that could not be converted is not handed out as a line.
            if (end_ > begin_ && !conversionFailed_) {
                line.assign(buffer_.data() + begin_, end_ - begin_);
                lastLineEnd_ = "";
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                    lastLineEnd_ = "\r";
                }
                begin_ = end_;
                lastLineEnded_ = false;
                return true;
            }
            return false;
        }
        searched = begin_ + kept;
    }
}

bool LineWriter::Open(const std::string& path, std::string lineEnd, const ReplaceOptions& options) {
    return Open(path, std::move(lineEnd), TextEncoding::Plain, options);
}

bool LineWriter::Open(const std::string& path, std::string lineEnd, TextEncoding encoding,
                      const ReplaceOptions& options) {
    Reset(std::move(lineEnd), false);
    if (!file_.Begin(path, errorText_, options)) {
        failed_ = true;
        return false;
    }
    SetEncoding(encoding);
    return true;
}

void LineWriter::OpenInMemory(std::string lineEnd) {
    Reset(std::move(lineEnd), true);
}

void LineWriter::Reset(std::string lineEnd, bool inMemory) {
    file_.Abandon();
    failed_ = conversionFailed_ = lineOpen_ = endedByCr_ = lastLineEmpty_ = false;
    linesWritten_ = 0;
    errorText_.clear();
    memory_.clear();
    inMemory_ = inMemory;
    lineEnd_ = std::move(lineEnd);
    encoding_ = TextEncoding::Plain;
}

void LineWriter::SetEncoding(TextEncoding encoding) {
    encoding_ = encoding;
    if (inMemory_) {
        return;
    }
    switch (encoding_) {
        case TextEncoding::Plain:
            break;
        case TextEncoding::Utf8Bom:
        case TextEncoding::Utf8BomBytes:
            WriteBytes("\xEF\xBB\xBF", 3);
            break;
        case TextEncoding::Utf16LE:
            WriteBytes("\xFF\xFE", 2);
            break;
        case TextEncoding::Utf16BE:
            WriteBytes("\xFE\xFF", 2);
            break;
    }
}

void LineWriter::WriteBytes(const char* data, size_t size) {
    if (!file_.IsOpen()) {
        failed_ = true;
        return;
    }
    if (size > 0 && !file_.Write(std::string_view(data, size))) {
        failed_ = true;
    }
}

void LineWriter::Write(std::string_view text) {
    const bool wide = encoding_ == TextEncoding::Utf16LE || encoding_ == TextEncoding::Utf16BE;
    if (encoding_ == TextEncoding::Utf8Bom && !TextIsUtf8()) {
        bytes_.clear();
        if (!TextToUtf8(text, bytes_)) {
            failed_ = conversionFailed_ = true;
        } else if (inMemory_) {
            memory_.append(text);
        } else {
            WriteBytes(bytes_.data(), bytes_.size());
        }
        return;
    }
    if (!wide && !inMemory_) {
        WriteBytes(text.data(), text.size());
        return;
    }
    units_.clear();
    if (wide && !TextToUtf16(text, units_)) {
        failed_ = conversionFailed_ = true;
        return;
    }
    if (inMemory_) {
        memory_.append(text);
        return;
    }
    const bool little = encoding_ == TextEncoding::Utf16LE;
    bytes_.resize(2 * units_.size());
    for (size_t i = 0; i < units_.size(); ++i) {
        char low = static_cast<char>(units_[i] & 0xFF);
        char high = static_cast<char>(units_[i] >> 8);
        bytes_[2 * i] = little ? low : high;
        bytes_[2 * i + 1] = little ? high : low;
    }
    WriteBytes(bytes_.data(), bytes_.size());
}

void LineWriter::WriteLine(const std::string& line) {
    WriteLine(line, lineEnd_.c_str());
}

void LineWriter::WriteLine(const std::string& line, const char* lineEnd) {
    if (lineOpen_) {
        Write(lineEnd_);
    } else if (endedByCr_) {
        Write("\n");
    }
    Write(line);
    Write(lineEnd);
    lineOpen_ = *lineEnd == '\0';
    endedByCr_ = std::strcmp(lineEnd, "\r") == 0;
    ++linesWritten_;
    lastLineEmpty_ = line.empty();
}

bool LineWriter::Close() {
    if (inMemory_) {
        // Nothing to put in place; only the reason of a failure is told.
        if (failed_ && errorText_.empty()) {
            errorText_ = conversionFailed_ ? "text not convertible" : "write error";
        }
        return !failed_;
    }
    if (!file_.IsOpen()) {
        return !failed_;
    }
    if (failed_) {
        // A file whose own write failed keeps that failure, on which Commit fails with the
        // system's text; a writer that failed on text it could not convert has a sound file
        // that must never be put in place, so it is only removed.
        if (file_.Failed()) {
            file_.Commit(errorText_);
        }
        if (errorText_.empty()) {
            errorText_ = conversionFailed_ ? "text not convertible" : "write error";
        }
        file_.Abandon();
        return false;
    }
    if (!file_.Commit(errorText_)) {
        failed_ = true;
    }
    return !failed_;
}

bool ReadWholeFile(const std::string& path, std::string& data) {
    std::string errorText;
    std::FILE* f = OpenReadStream(path, errorText);
    if (f == nullptr) {
        return false;
    }
    bool ok = true;
    char buffer[65536];
    for (;;) {
        size_t got = std::fread(buffer, 1, sizeof buffer, f);
        data.append(buffer, got);
        if (got < sizeof buffer) {
            ok = std::ferror(f) == 0;
            break;
        }
    }
    std::fclose(f);
    return ok;
}

bool ReadWholeText(const std::string& path, std::string& text) {
    if (IsDirectory(path)) {
        return false;
    }
    LineReader reader;
    if (!reader.Open(path)) {
        return false;
    }
    std::string line;
    while (reader.ReadLine(line)) {
        text += line;
        text += reader.LastLineEnd();
    }
    return !reader.Failed();
}

}  // namespace rivel
