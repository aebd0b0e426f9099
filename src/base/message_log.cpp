// The message log.
#include "base/message_log.h"

#include "platform/files.h"

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

void ReportLogFailure(MessageLog& log, const char* label, const std::string& error) {
    log.failed = true;
    if (log.verbosity < 1) {
        return;
    }
    WriteTo(log, stderr, Padded(label) + log.fileName);
    WriteTo(log, stderr, Padded("Problem: ") + error);
}

void WriteLine(MessageLog& log, std::string_view line) {
    if (log.file != nullptr && !log.capturing) {
        if (log.file->Write(std::string(line) + NativeLineEnd())) {
            return;
        }
        // A full disk or a size limit: said once on standard error, where the log goes on.
        std::string error;
        log.file->Close(error);
        log.file.reset();
        ReportLogFailure(log, "Log file write failed : ", error);
    }
    WriteTo(log, stderr, line);
}

}  // namespace

MessageLog::~MessageLog() {
    CloseLogFile(*this);
}

void WriteLogMessage(MessageLog& log, std::string_view label, std::string_view text) {
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

void OpenLogFile(MessageLog& log, const std::string& fileName, const std::string& header,
                 int verbosity) {
    log.verbosity = verbosity;
    log.fileName = fileName;
    auto file = std::make_unique<ReplacementFile>();
    std::string error;
    // A link at the log's name is kept: replacing it would break what it links (/dev/stdout),
    // and following it could write where another user pointed it.
    if (!file->Begin(fileName, error, ReplaceOptions{false, true, true})) {
        ReportLogFailure(log, "Can't create log file : ", error);
        return;
    }
    // The log is a text file of the system: its lines end as the system's text files do.
    std::string text;
    for (char c : header) {
        if (c == '\n') {
            text += NativeLineEnd();
        } else {
            text += c;
        }
    }
    file->Write(text);
    if (!file->Publish(error)) {
        ReportLogFailure(log, "Can't create log file : ", error);
        return;
    }
    CloseLogFile(log);
    log.file = std::move(file);
}

void CloseLogFile(MessageLog& log) {
    if (log.file != nullptr) {
        std::string error;
        bool closed = log.file->Close(error);
        log.file.reset();
        if (!closed) {
            ReportLogFailure(log, "Log file write failed : ", error);
        }
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
