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

std::string_view KeyStemView(std::string_view key) {
    return TrimRightView(key.substr(0, TrailingDigitsStart(key)));
}

std::string SNum(RunContext& run, const RunOptions& options, std::string_view key) {
    std::string result = UpperCase(KeyStemView(key));
    LogMessage(run.log, options.VerboseMode, 9, "SNum returns :", result);
    return result;
}

// TrimmedView, with the usual case (no blank at either end) decided here.
static inline std::string_view Trimmed(std::string_view text) {
    if (text.size() < 2 || (!IsBlank(text.front()) && !IsBlank(text.back()))) {
        return text;
    }
    return TrimmedView(text);
}

void SplitKeyValueView(RunContext& run, const RunOptions& options, std::string_view line,
                       std::string_view& key, std::string_view& value) {
    size_t d = line.find(options.Delimiter);
    if (d != std::string_view::npos) {
        key = Trimmed(line.substr(0, d));
        value = Trimmed(line.substr(d + 1));
    } else if (options.CfgMode == 1) {
        const std::string_view right = TrimRightView(line);
        size_t s = right.rfind(' ');
        if (s != std::string_view::npos && s > 0) {
            key = Trimmed(right.substr(0, s));
            value = Trimmed(right.substr(s + 1));
        } else {
            key = Trimmed(line);
            value = {};
        }
    } else {
        key = Trimmed(line);
        value = {};
    }
    LogMessage(run.log, options.VerboseMode, 19, "ActKey : ", key);
    LogMessage(run.log, options.VerboseMode, 19, "ActVal : ", value);
}

void SplitKeyValue(RunContext& run, const RunOptions& options, std::string_view line,
                   std::string& key, std::string& value) {
    std::string_view k, v;
    SplitKeyValueView(run, options, line, k, v);
    key.assign(k);
    value.assign(v);
}

void SplitSectionKeyValueView(RunContext& run, const RunOptions& options, std::string_view text,
                              std::string_view& section, std::string_view& key,
                              std::string_view& value) {
    key = {};
    value = {};
    const std::string_view trimmed =
        text.empty() || !IsBlank(text.back()) ? text : TrimRightView(text);
    size_t close = trimmed.find(']');
    if (close == std::string_view::npos) {
        section = trimmed;
        return;
    }
    section = trimmed.substr(0, close + 1);
    SplitKeyValueView(run, options, trimmed.substr(close + 1), key, value);
}

void SplitSectionKeyValue(RunContext& run, const RunOptions& options, std::string_view text,
                          std::string& section, std::string& key, std::string& value) {
    std::string_view s, k, v;
    SplitSectionKeyValueView(run, options, text, s, k, v);
    section.assign(s);
    key.assign(k);
    value.assign(v);
}

void SetEnvVar(const std::string& name, const std::string& value) {
    if (name.empty()) {
        return;
    }
    PutEnvVar(name, value);
}

}  // namespace rivel
