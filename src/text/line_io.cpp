// Reading and writing text files line by line.
#include "text/line_io.h"

#include <cstring>

#include "platform/files.h"

namespace rivel {

bool LineReader::Open(const std::string& path) {
    Close();
    if (path.find('\0') != std::string::npos) {
        return false;
    }
    errorText_.clear();
    if (IsDirectory(path)) {
        errorText_ = "Is a directory";
        return false;
    }
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        errorText_ = LastErrorText();
        return false;
    }
    buffer_.resize(1 << 16);
    begin_ = end_ = 0;
    eof_ = failed_ = false;
    lineEnd_.clear();
    return true;
}

void LineReader::Close() {
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

bool LineReader::ReadLine(std::string& line) {
    if (file_ == nullptr) {
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
            return true;
        }
        searched = end_ - begin_;  // offset relative to begin_, kept across the move in Fill
        size_t kept = searched;
        if (!Fill()) {
            if (end_ > begin_) {
                line.assign(buffer_.data() + begin_, end_ - begin_);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
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
    file_.Abandon();
    failed_ = false;
    errorText_.clear();
    lineEnd_ = std::move(lineEnd);
    if (!file_.Begin(path, errorText_, options)) {
        failed_ = true;
        return false;
    }
    return true;
}

void LineWriter::Write(const std::string& text) {
    if (!file_.IsOpen()) {
        failed_ = true;
        return;
    }
    if (!text.empty() && !file_.Write(text)) {
        failed_ = true;
    }
}

void LineWriter::WriteLine(const std::string& line) {
    Write(line);
    Write(lineEnd_);
}

bool LineWriter::Close() {
    if (!file_.IsOpen()) {
        return !failed_;
    }
    if (failed_) {
        file_.Commit(errorText_);  // fails on the kept write error, removing the new file
        if (errorText_.empty()) {
            errorText_ = "write error";
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
    if (IsDirectory(path)) {
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
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

}  // namespace rivel
