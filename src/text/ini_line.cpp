// The split of INI and NET.CFG lines and of command text.
#include "text/ini_line.h"

#include <limits>

#include "base/message_log.h"
#include "platform/environment.h"
#include "text/strings.h"

namespace rivel {

static bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

static size_t TrailingDigitsStart(std::string_view key) {
    size_t i = key.size();
    while (i > 0 && IsDigit(key[i - 1])) {
        --i;
    }
    return i;
}

int32_t GetNum(RunContext& run, const RunOptions& options, std::string_view key) {
    std::string_view digits = key.substr(TrailingDigitsStart(key));
    LogMessage(run.log, options.VerboseMode, 9, "GetNum returns : ", digits);
    int64_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int32_t>::max()) {
            return std::numeric_limits<int32_t>::max();
        }
    }
    return static_cast<int32_t>(value);
}

std::string SNum(RunContext& run, const RunOptions& options, std::string_view key) {
    std::string result = TrimRight(UpperCase(key.substr(0, TrailingDigitsStart(key))));
    LogMessage(run.log, options.VerboseMode, 9, "SNum returns :", result);
    return result;
}

void SplitKeyValue(RunContext& run, const RunOptions& options, std::string_view line,
                   std::string& key, std::string& value) {
    size_t d = line.find(options.Delimiter);
    if (d != std::string_view::npos) {
        key.assign(TrimmedView(line.substr(0, d)));
        value.assign(TrimmedView(line.substr(d + 1)));
    } else if (options.CfgMode == 1) {
        std::string right = TrimRight(line);
        size_t s = right.rfind(' ');
        if (s != std::string::npos && s > 0) {
            key = Trim(std::string_view(right).substr(0, s));
            value = Trim(std::string_view(right).substr(s + 1));
        } else {
            key = Trim(line);
            value.clear();
        }
    } else {
        key = Trim(line);
        value.clear();
    }
    LogMessage(run.log, options.VerboseMode, 19, "ActKey : ", key);
    LogMessage(run.log, options.VerboseMode, 19, "ActVal : ", value);
}

void SplitSectionKeyValue(RunContext& run, const RunOptions& options, std::string_view text,
                          std::string& section, std::string& key, std::string& value) {
    section.clear();
    key.clear();
    value.clear();
    const std::string_view trimmed = TrimRightView(text);
    size_t close = trimmed.find(']');
    if (close == std::string::npos) {
        section.assign(trimmed);
        return;
    }
    section.assign(trimmed.substr(0, close + 1));
    SplitKeyValue(run, options, trimmed.substr(close + 1), key, value);
}

bool IsSectionLine(const RunOptions& options, std::string_view line) {
    if (options.CfgMode == 0) {
        return CharAt(line, 0) == '[';
    }
    if (options.CfgMode == 2) {
        return false;
    }
    char first = CharAt(line, 0);
    return first != ' ' && first != '\t' && line.find(options.Delimiter) == std::string_view::npos;
}

void SetEnvVar(const std::string& name, const std::string& value) {
    if (name.empty()) {
        return;
    }
    PutEnvVar(name, value);
}

}  // namespace rivel
