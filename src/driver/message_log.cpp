// The message log.
#include "driver/message_log.h"

#include <cstdio>

#include "driver/banner.h"
#include "platform/console.h"

namespace rivel {

namespace {

struct LogState {
    std::FILE* file = nullptr;
    bool capturing = false;
    std::string captured;
};

LogState& State() {
    static LogState state;
    return state;
}

std::string Padded(std::string_view label) {
    std::string line(label);
    if (line.size() < kLabelWidth) {
        line.append(kLabelWidth - line.size(), ' ');
    }
    return line;
}

void WriteLine(const std::string& line) {
    LogState& s = State();
    if (s.capturing) {
        s.captured += line;
        s.captured += '\n';
        return;
    }
    std::FILE* out = s.file != nullptr ? s.file : stderr;
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

}  // namespace

void LogMessage(int verbosity, int level, std::string_view label, std::string_view text) {
    if (verbosity < level) {
        return;
    }
    std::string line = Padded(label);
    line += text;
    WriteLine(line);
}

void LogText(int verbosity, int level, std::string_view text) {
    if (verbosity < level) {
        return;
    }
    WriteLine(std::string(text));
}

void LogMessagePos(int verbosity, int level, std::string_view label, std::string_view text,
                   int position, std::string_view label2) {
    if (verbosity < level) {
        return;
    }
    LogMessage(verbosity, level, label, text);
    std::string line = Padded(label2);
    if (position > 0) {
        line.append(static_cast<size_t>(position), '>');
    }
    line += '^';
    WriteLine(line);
}

void OpenLogFile(const std::string& fileName, const std::string& commandLine) {
    LogState& s = State();
    if (fileName.find('\0') != std::string::npos) {
        return;
    }
    std::FILE* f = std::fopen(fileName.c_str(), "w");
    if (f == nullptr) {
        return;
    }
    if (s.file != nullptr) {
        std::fclose(s.file);
    }
    s.file = f;
    size_t start = commandLine.find_first_not_of(" \t");
    std::string args = start == std::string::npos ? "" : commandLine.substr(start);
    std::string header = ";\n; " + BannerLine() + "\n;\n; Running at " + LocalTimeText() + ";\n; " +
                         args + "\n; With NETWARE support\n;\n";
    std::fwrite(header.data(), 1, header.size(), f);
    std::fflush(f);
}

void CloseLogFile() {
    LogState& s = State();
    if (s.file != nullptr) {
        std::fclose(s.file);
        s.file = nullptr;
    }
}

void WriteConsoleLine(std::string_view line) {
    LogState& s = State();
    if (s.capturing) {
        s.captured += line;
        s.captured += '\n';
        return;
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void StartLogCapture() {
    State().capturing = true;
    State().captured.clear();
}

std::string TakeLogCapture() {
    LogState& s = State();
    s.capturing = false;
    std::string text;
    text.swap(s.captured);
    return text;
}

}  // namespace rivel
