// User variables. Names are stored upper-cased, so they ignore case; values keep theirs. The
// list is shared by every file of a run, so a variable set in a CMD file run from an ICM file
// is still set for the ICM file's later lines.
#include "script/user_vars.h"

#include <cstdint>
#include <map>

#include "base/message_log.h"
#include "platform/environment.h"
#include "script/substitution.h"
#include "script/sysvars.h"
#include "text/strings.h"
#include "text/tokens.h"

namespace rivel {

namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The number of a text as a C decimal conversion reads it: blanks, a sign, digits; else 0.
// Values far outside 32 bits are held at the 64-bit bounds and wrap on the way to 32 bits.
int32_t Number(const std::string& text) {
    DecimalText number = SplitDecimal(text);
    int64_t value = 0;
    for (char digit : number.digits) {
        if (value < INT64_C(1000000000000)) {
            value = value * 10 + (digit - '0');
        }
    }
    return static_cast<int32_t>(number.negative ? -value : value);
}

std::string Decimal(int64_t value) {
    return std::to_string(static_cast<int32_t>(value));
}

}  // namespace

void InitValues(RunContext& run, const RunOptions& options) {
    LogMessage(run.log, options.VerboseMode, 10, "InitValues called", "");
    ++run.values.users;
}

void FreeValues(RunContext& run, const RunOptions& options) {
    ValueList& store = run.values;
    if (store.users == 0) {
        LogMessage(run.log, options.VerboseMode, 3, "Values already disposed", "");
        return;
    }
    if (--store.users == 0) {
        store.values.clear();
        LogMessage(run.log, options.VerboseMode, 9, "ValueList destroyed", "");
    }
}

std::string DeDupe(RunContext& run, const RunOptions& options, const std::string& text) {
    LogMessage(run.log, options.VerboseMode, 99, "Value before DeDupe: ", text);
    if (text.find('$') == std::string::npos) {
        LogMessage(run.log, options.VerboseMode, 99, "Value after  DeDupe: ", text);
        return text;
    }
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '$' && CharAt(text, i + 1) == '$') {
            ++i;
        }
        out += text[i];
    }
    LogMessage(run.log, options.VerboseMode, 99, "Value after  DeDupe: ", out);
    return out;
}

std::string UserVarValue(RunContext& run, const RunOptions& options, const std::string& received) {
    const int v = options.VerboseMode;
    std::string name = received;
    if (StartsWith(name, "$(")) {
        if (name.size() > 2 && name.back() == ')') {
            name = name.substr(2, name.size() - 3);
        } else {
            LogMessage(run.log, v, 3, "Missing ) in variable", received);
            name = name.substr(2);
        }
    }
    if (!name.empty() && name.back() == ')') {
        name.pop_back();
    }
    if (CharAt(name, 0) == '_') {
        return EVALSysvar(run, options, name);
    }
    if (CharAt(name, 0) == '%') {
        return GetEnvVar(name.substr(1)).value_or("");
    }
    const ValueList& store = run.values;
    auto found = store.values.find(UpperCase(name));
    if (found == store.values.end()) {
        LogMessage(run.log, v, 3, "Variable not found : ", name);
        return "";
    }
    LogMessage(run.log, v, 9, "Variable found : ", found->second);
    return found->second;
}

std::string ProcessVarline(RunContext& run, const RunOptions& options, const std::string& input,
                           int doIt) {
    const int v = options.VerboseMode;
    std::string line = TrimLeft(input);
    size_t pos = 0;
    std::string target = GetSToken(run, options, line, pos);
    if (target.empty()) {
        return DeDupe(run, options, line);
    }
    if (!StartsWith(target, "$(")) {
        return DeDupe(run, options, SubstVar(run, options, '$', line, UserVarValue));
    }
    if (!IsLetter(CharAt(target, 2))) {
        LogMessage(run.log, v, 3, "User-variables must be text", target);
        return line;
    }
    if (doIt != 1) {
        LogMessage(run.log, v, 9, "New variable not created, since DoIT == FALSE ", "");
        return "";
    }
    std::string assign = NextWord(line, pos);
    if (assign != ":=") {
        LogMessagePos(run.log, v, 1, "Syntax error : ", line, static_cast<int>(pos),
                      ":= expected at ");
        NoteFailure(run, RunFailure::CommandError);
        LogMessage(run.log, v, 1, "Token found  : ", assign);
        return line;
    }
    std::string value = GetSToken(run, options, line, pos);
    if (StartsWith(value, "$(")) {
        value = UserVarValue(run, options, value);
    }
    while (pos < line.size()) {
        std::string op = GetSToken(run, options, line, pos);
        std::string operand = GetSToken(run, options, line, pos);
        if (CharAt(operand, 0) == '$') {
            operand = UserVarValue(run, options, operand);
        }
        if (op == "+") {
            value = Decimal(int64_t{Number(value)} + Number(operand));
        } else if (op == "-") {
            value = Decimal(int64_t{Number(value)} - Number(operand));
        } else if (op == "&") {
            value += operand;
        } else {
            LogMessage(run.log, v, 1, "Unknown operator : ", op);
            NoteFailure(run, RunFailure::CommandError);
        }
    }
    // The name: the token without "$(" and without its last character, whatever that is.
    std::string name = UpperCase(target.substr(2, target.size() - 3));
    ValueList& store = run.values;
    auto found = store.values.find(name);
    if (found != store.values.end()) {
        LogMessage(run.log, v, 9, "Replace variable ", name);
        LogMessage(run.log, v, 9, "Old value        ", found->second);
        LogMessage(run.log, v, 9, "New value        ", value);
        found->second = value;
    } else {
        LogMessage(run.log, v, 9, "New variable ", name);
        LogMessage(run.log, v, 9, "New value    ", value);
        store.values.emplace(name, value);
    }
    return "";
}

}  // namespace rivel
