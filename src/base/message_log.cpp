// The message log.
#include "base/message_log.h"

namespace rivel {

namespace {

std::string Padded(std::string_view label) {
    std::string line(label);
    if (line.size() < kLabelWidth) {
        line.append(kLabelWidth - line.size(), ' ');
    }
    return line;
}

void WriteTo(MessageLog& log, std::FILE* out, std::string_view line) {
    if (log.capturing) {
        log.captured += line;
        log.captured += '\n';
        return;
    }
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

void WriteLine(MessageLog& log, std::string_view line) {
    WriteTo(log, log.file != nullptr ? log.file : stderr, line);
}

}  // namespace

MessageLog::~MessageLog() {
    CloseLogFile(*this);
}

void LogMessage(MessageLog& log, int verbosity, int level, std::string_view label,
                std::string_view text) {
    if (verbosity < level) {
        return;
    }
    std::string line = Padded(label);
    line += text;
    WriteLine(log, line);
}

void LogText(MessageLog& log, int verbosity, int level, std::string_view text) {
    if (verbosity < level) {
        return;
    }
    WriteLine(log, text);
}

void LogMessagePos(MessageLog& log, int verbosity, int level, std::string_view label,
                   std::string_view text, int position, std::string_view label2) {
    if (verbosity < level) {
        return;
    }
    LogMessage(log, verbosity, level, label, text);
    std::string line = Padded(label2);
    if (position > 0) {
        line.append(static_cast<size_t>(position), '>');
    }
    line += '^';
    WriteLine(log, line);
}

void OpenLogFile(MessageLog& log, const std::string& fileName, const std::string& header) {
    if (fileName.find('\0') != std::string::npos) {
        return;
    }
    std::FILE* f = std::fopen(fileName.c_str(), "w");
    if (f == nullptr) {
        return;
    }
    CloseLogFile(log);
    log.file = f;
    std::fwrite(header.data(), 1, header.size(), f);
    std::fflush(f);
}

void CloseLogFile(MessageLog& log) {
    if (log.file != nullptr) {
        std::fclose(log.file);
        log.file = nullptr;
    }
}

void WriteConsoleLine(MessageLog& log, std::string_view line) {
    WriteTo(log, stderr, line);
}

void StartLogCapture(MessageLog& log) {
    log.capturing = true;
    log.captured.clear();
}

std::string TakeLogCapture(MessageLog& log) {
    log.capturing = false;
    std::string text;
    text.swap(log.captured);
    return text;
}

}  // namespace rivel
