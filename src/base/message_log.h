// The message log: every message carries a level and is written only when the run's verbosity is
// at least that level, to the log file when one is open, else to standard error.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_replace.h"

namespace rivel {

// Width of the label column; shorter labels are padded with spaces, longer ones written whole.
inline constexpr size_t kLabelWidth = 30;

// Where the lines of one process go. Tests capture them in memory instead.
struct MessageLog {
    MessageLog() = default;
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;
    ~MessageLog();

    // The /l= log file, when one is open: a file made for this run (never an existing file or a
    // link truncated), written through its own handle.
    std::unique_ptr<ReplacementFile> file;
    std::string fileName;
    int verbosity = 4;    // of the option scan when the file was named: its failures' threshold
    bool failed = false;  // the log file could not be created or written
    bool capturing = false;
    std::string captured;
};

// One line: the label padded to 30 columns, then the text. The level test is inline because the
// rewrite pass asks for a message on nearly every line it changes.
void WriteLogMessage(MessageLog& log, std::string_view label, std::string_view text);
inline void LogMessage(MessageLog& log, int verbosity, int level, std::string_view label,
                       std::string_view text) {
    if (verbosity >= level) {
        WriteLogMessage(log, label, text);
    }
}

// One line: the text alone.
void LogText(MessageLog& log, int verbosity, int level, std::string_view text);

// The LogMessage line, then a second line: label2 padded to 30 columns, position times ">" and a
// "^" that stands under the character at that position of text.
void LogMessagePos(MessageLog& log, int verbosity, int level, std::string_view label,
                   std::string_view text, int position, std::string_view label2);

// Creates (or replaces) the log file and writes header into it. When it cannot be created the
// failure is reported on standard error at level 1 and messages keep going there; so does a
// later failed write, after which the messages go to standard error too.
void OpenLogFile(MessageLog& log, const std::string& fileName, const std::string& header,
                 int verbosity = 4);

// Closes the log file, if one is open; later messages go to standard error.
void CloseLogFile(MessageLog& log);

// Writes a line straight to standard error, whatever the verbosity and the log file (the banner
// and the option scan's complaints).
void WriteConsoleLine(MessageLog& log, std::string_view line);

// Tests: while capturing, log lines are collected in memory instead of being written.
void StartLogCapture(MessageLog& log);
std::string TakeLogCapture(MessageLog& log);

}  // namespace rivel
