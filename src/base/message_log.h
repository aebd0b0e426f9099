// The message log: every message carries a level and is written only when the run's verbosity is
// at least that level, to the log file when one is open, else to standard error.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace rivel {

// Width of the label column; shorter labels are padded with spaces, longer ones written whole.
inline constexpr size_t kLabelWidth = 30;

// Where the lines of one process go. Tests capture them in memory instead.
struct MessageLog {
    MessageLog() = default;
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;
    ~MessageLog();

    std::FILE* file = nullptr;  // the /l= log file, when one is open
    bool capturing = false;
    std::string captured;
};

// One line: the label padded to 30 columns, then the text.
void LogMessage(MessageLog& log, int verbosity, int level, std::string_view label,
                std::string_view text);

// One line: the text alone.
void LogText(MessageLog& log, int verbosity, int level, std::string_view text);

// The LogMessage line, then a second line: label2 padded to 30 columns, position times ">" and a
// "^" that stands under the character at that position of text.
void LogMessagePos(MessageLog& log, int verbosity, int level, std::string_view label,
                   std::string_view text, int position, std::string_view label2);

// Creates (or truncates) the log file and writes header into it. When the file cannot be
// created nothing is reported and messages keep going to standard error.
void OpenLogFile(MessageLog& log, const std::string& fileName, const std::string& header);

// Closes the log file, if one is open; later messages go to standard error.
void CloseLogFile(MessageLog& log);

// Writes a line straight to standard error, whatever the verbosity and the log file (the banner
// and the option scan's complaints).
void WriteConsoleLine(MessageLog& log, std::string_view line);

// Tests: while capturing, log lines are collected in memory instead of being written.
void StartLogCapture(MessageLog& log);
std::string TakeLogCapture(MessageLog& log);

}  // namespace rivel
