// Registry key and value operations of RCM files. Every failure is reported and ends only the
// command line it belongs to.
#include "registry/registry_ops.h"

#include <vector>

#include "base/message_log.h"
#include "platform/ansi_text.h"
#include "registry/hex_values.h"
#include "registry/hive_text.h"
#include "registry/key_walk.h"
#include "registry/reg_export.h"
#include "text/strings.h"
#include "text/tokens.h"

namespace rivel {

namespace {

// Registry values and names longer than this are not read by the replacement.
constexpr size_t kValueBufferSize = 1024;

bool IsRegedit4(const RunOptions& options) {
    return options.RcmSignature == 2;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// REGEDIT4 files escape quotes and backslashes inside quoted texts ("a \"b\" C:\\dir\\"); the
// reader leaves quoted parts of such lines as written, and this token reader undoes the escapes.
std::string Regedit4Token(RunContext& run, const RunOptions& options, const std::string& line,
                          size_t& position, bool& quoted) {
    size_t p = position < line.size() ? position : line.size();
    quoted = CharAt(line, p) == '"';
    if (!quoted) {
        return GetSToken(run, options, line, position);
    }
    std::string token;
    ++p;
    while (p < line.size() && line[p] != '"') {
        if (line[p] == '\\' && p + 1 < line.size() && (line[p + 1] == '\\' || line[p + 1] == '"')) {
            ++p;
        }
        token.push_back(line[p]);
        ++p;
    }
    if (p < line.size()) {
        ++p;
    }
    position = SkipBlanks(line, p);
    LogMessage(run.log, options.VerboseMode, 99, "GetSToken returns : ", token);
    return token;
}

std::string Token(RunContext& run, const RunOptions& options, const std::string& line,
                  size_t& position, bool& quoted) {
    if (IsRegedit4(options)) {
        return Regedit4Token(run, options, line, position, quoted);
    }
    quoted = CharAt(line, position) == '"';
    return GetSToken(run, options, line, position);
}

std::string WithNul(const std::string& text) {
    std::string data = text;
    data.push_back('\0');
    return data;
}

std::string UpToNul(const std::string& data) {
    return data.substr(0, data.find('\0'));
}

RegKey CreateTarget(RunContext& run, const RunOptions& options, RegistryService& reg,
                    const RcmContext& context, const std::string& path) {
    RegKey key = 0;
    if (reg.CreateKey(context.key, path, key) != kErrorSuccess) {
        ReportRcmError(run, options.VerboseMode, "CreateKey failed for", path);
        return 0;
    }
    return key;
}

RegKey OpenTarget(RunContext& run, const RunOptions& options, RegistryService& reg,
                  const RcmContext& context, const std::string& path) {
    RegKey key = 0;
    if (reg.OpenKey(context.key, path, RegAccess::AllAccess, key) != kErrorSuccess) {
        LogMessage(run.log, options.VerboseMode, 6, "OpenKey failed for", path);
        return 0;
    }
    return key;
}

// The key of "+", "-" and "r": the subkey path below the context key, which for REGEDIT4 files
// already is the key of that path.
std::string CommandPath(const RunOptions& options, const RcmContext& context) {
    return IsRegedit4(options) ? std::string() : context.subKey;
}

enum class SetForm { Quote, Plus };

// Writes name=value by the form of the value text: binary, DWORD or string.
void SetValueText(RunContext& run, const RunOptions& options, RegistryService& reg, RegKey key,
                  const std::string& name, const std::string& value, SetForm form) {
    const int v = options.VerboseMode;
    uint32_t hexType = 0;
    size_t prefix = 0;
    bool isHex = IsHexValueText(value, hexType, prefix);
    bool isDword = StartsWith(value, "dword:");
    if ((isHex || isDword) && name.empty()) {
        if (isHex && form == SetForm::Quote) {
            ReportRcmError(run, v, "Default-value must be REG_SZ type", "");
        } else {
            ReportRcmError(run, v, "Default-value MUST BE REG_SZ", value);
        }
        ReportRcmError(run, v, "Can't set value for key", name);
        return;
    }
    uint32_t type = kRegSz;
    std::string data;
    if (isHex || isDword) {
        HexValue parsed = isHex ? ParseHexBytes(value) : ParseHexDword(value);
        if (!parsed.valid) {
            ReportRcmError(run, v, "Invalid character found",
                           "not 0-9 or A-F " + parsed.badCharacter);
        }
        type = parsed.type;
        data = std::move(parsed.bytes);
        if (options.RcmUnicode == 1 && isHex && IsTextRegType(type)) {
            // The Unicode export wrote these as UTF-16LE, the form the registry keeps them in:
            // they are stored as given, every byte of them, not through the ANSI text.
            if (reg.SetStoredValue(key, name, type, data) != kErrorSuccess) {
                ReportRcmError(run, v, "Can't set value for key", name);
            }
            return;
        }
    } else {
        // Stored with its terminating NUL, as string values must be for the programs that read
        // them (a string written without it reads back as binary data elsewhere).
        data = WithNul(value);
    }
    if (reg.SetValue(key, name, type, data) != kErrorSuccess) {
        ReportRcmError(run, v, "Can't set value for key", name);
    }
}

// A value that is not there is already as the line wants it (a second run of the same file
// does nothing, as for a key deleted by "[-...]").
void DeleteValueByName(RunContext& run, const RunOptions& options, RegistryService& reg, RegKey key,
                       const std::string& name) {
    const auto rc = reg.DeleteValue(key, name);
    if (rc != kErrorSuccess && rc != kErrorFileNotFound) {
        ReportRcmError(run, options.VerboseMode, "DeleteKey failed", name);
    }
}

void SetNamed(RunContext& run, const RunOptions& options, RegistryService& reg,
              const RcmContext& context, const std::string& line) {
    ValueTokens t = SplitValueTokens(run, options, 0, line);
    if (IsRegedit4(options)) {
        // '"Name"=-' removes the value in these files.
        if (!t.valueQuoted && t.value == "-") {
            DeleteValueByName(run, options, reg, context.key, t.name);
            return;
        }
        SetValueText(run, options, reg, context.key, t.name, t.value, SetForm::Quote);
        return;
    }
    RegKey key = CreateTarget(run, options, reg, context, context.subKey);
    if (key == 0) {
        return;
    }
    SetValueText(run, options, reg, key, t.name, t.value, SetForm::Quote);
    reg.CloseKey(key);
}

void SetDefault(RunContext& run, const RunOptions& options, RegistryService& reg,
                const RcmContext& context, const std::string& line) {
    const int v = options.VerboseMode;
    ValueTokens t = SplitValueTokens(run, options, 2, line);
    const std::string& value = t.name;  // the first token is the value
    bool valueQuoted = CharAt(line, 2) == '"';
    if (IsRegedit4(options) && !valueQuoted && value == "-") {
        DeleteValueByName(run, options, reg, context.key, "");
        return;
    }
    uint32_t hexType = 0;
    size_t prefix = 0;
    // The token of 'hex(2):...' ends at its ")": the form is told by the text of the line.
    const std::string whole = line.size() > 2 ? line.substr(2) : std::string();
    if (IsHexValueText(value, hexType, prefix) || StartsWith(value, "dword:") ||
        (!valueQuoted && StartsWith(whole, "hex("))) {
        ReportRcmError(run, v, "Default-value MUST BE REG_SZ", valueQuoted ? value : whole);
        return;
    }
    RegKey key = context.key;
    if (!IsRegedit4(options)) {
        key = CreateTarget(run, options, reg, context, context.subKey);
        if (key == 0) {
            return;
        }
    }
    if (reg.SetValue(key, "", kRegSz, WithNul(value)) != kErrorSuccess) {
        ReportRcmError(run, v, "Can't set value for key", value);
    }
    if (key != context.key) {
        reg.CloseKey(key);
    }
}

void CreateAndSet(RunContext& run, const RunOptions& options, RegistryService& reg,
                  const RcmContext& context, const std::string& line) {
    RegKey key = CreateTarget(run, options, reg, context, CommandPath(options, context));
    if (key == 0) {
        return;
    }
    if (CharAt(line, 1) == '@') {
        ValueTokens t = SplitValueTokens(run, options, 3, line);
        SetValueText(run, options, reg, key, "", t.name, SetForm::Plus);
    } else {
        ValueTokens t = SplitValueTokens(run, options, 1, line);
        SetValueText(run, options, reg, key, t.name, t.value, SetForm::Plus);
    }
    reg.CloseKey(key);
}

void Delete(RunContext& run, const RunOptions& options, RegistryService& reg,
            const RcmContext& context, const std::string& line) {
    const int v = options.VerboseMode;
    RegKey key = OpenTarget(run, options, reg, context, CommandPath(options, context));
    if (key == 0) {
        return;
    }
    if (CharAt(line, 1) == '[') {
        std::string name = line.size() > 3 ? line.substr(2, line.size() - 3) : std::string();
        LogMessage(run.log, v, 99, "Delete subkey", name);
        if (name.empty() || DeleteKeyTree(reg, key, name) != kErrorSuccess) {
            ReportRcmError(run, v, "Delete subkey failed", name);
        } else {
            LogMessage(run.log, v, 6, "Delete subkey ok", name);
        }
        reg.CloseKey(key);
        return;
    }
    std::string name;
    std::string value;
    if (CharAt(line, 1) == '@') {
        value = SplitValueTokens(run, options, 3, line).name;
    } else {
        ValueTokens t = SplitValueTokens(run, options, 1, line);
        name = t.name;
        value = t.value;
    }
    if (!value.empty()) {
        uint32_t type = 0;
        std::string data;
        if (reg.QueryValue(key, name, kValueBufferSize, type, data) != kErrorSuccess) {
            ReportRcmError(run, v, "Can't query value for key", name);
            reg.CloseKey(key);
            return;
        }
        if (type != kRegSz && type != kRegExpandSz) {
            LogMessage(run.log, v, 9, "Key has value", UpToNul(data));
            reg.CloseKey(key);
            return;
        }
    }
    DeleteValueByName(run, options, reg, key, name);
    reg.CloseKey(key);
}

void Replace(RunContext& run, const RunOptions& options, RegistryService& reg,
             const RcmContext& context, const std::string& line) {
    const int v = options.VerboseMode;
    RegKey key = OpenTarget(run, options, reg, context, CommandPath(options, context));
    if (key == 0) {
        return;
    }
    std::string keyToMatch;
    std::string match;
    std::string replacement;
    if (CharAt(line, 1) == '*') {
        ValueTokens t = SplitValueTokens(run, options, 2, line);
        match = t.name;
        replacement = t.value;
    } else {
        size_t pos = 1;
        bool quoted = false;
        keyToMatch = Token(run, options, line, pos, quoted);
        ++pos;
        match = Token(run, options, line, pos, quoted);
        ++pos;
        replacement = Token(run, options, line, pos, quoted);
    }
    LogMessage(run.log, v, 99, "Key to match is", keyToMatch);
    LogMessage(run.log, v, 99, "String to match is", match);
    LogMessage(run.log, v, 99, "ReplaceValue is", replacement);
    ReplaceInValues(run, options, reg, key, context.recurse, keyToMatch, match, replacement);
    reg.CloseKey(key);
}

// Replaces match in the string values of key.
void ReplaceInKeyValues(RunContext& run, const RunOptions& options, RegistryService& reg,
                        RegKey key, const std::string& match, const std::string& replacement) {
    const int v = options.VerboseMode;
    if (match.empty()) {
        return;
    }
    const std::string upperMatch = UpperCase(match);
    std::string name;
    std::string data;
    uint32_t type = 0;
    for (uint32_t i = 0;; ++i) {
        long rc = reg.EnumValue(key, i, kValueBufferSize, name, type, data);
        if (rc == kErrorMoreData) {
            // Too long to be read whole: left as it is, and the values after it still examined.
            LogMessage(run.log, v, 3, "Value too long, not examined", name);
            continue;
        }
        if (rc != kErrorSuccess) {
            break;
        }
        if (type != kRegSz && type != kRegExpandSz) {
            continue;
        }
        const std::string old = UpToNul(data);
        std::string text = old;
        long long pos = 0;
        for (;;) {
            long long p = FindText(UpperCase(text), upperMatch, pos);
            if (p < 0) {
                break;
            }
            text = text.substr(0, static_cast<size_t>(p)) + replacement +
                   text.substr(static_cast<size_t>(p) + match.size());
            pos = p + static_cast<long long>(replacement.size());
        }
        if (text == old) {
            continue;
        }
        LogMessage(run.log, v, 6, "Old Value is", old);
        LogMessage(run.log, v, 6, "New Value is", text);
        if (StartsWith(text, "hex:") || StartsWith(text, "dword:")) {
            LogMessage(run.log, v, 9, "String is binary or DWORD", text);
            ReportRcmError(run, v, "Currently not implemented", text);
            continue;
        }
        if (reg.SetValue(key, name, type, WithNul(text)) != kErrorSuccess) {
            ReportRcmError(run, v, "Can't set new value", text);
        }
    }
}

// Replaces match in the values of key and, with recurse, of every key below it, each key's
// subkeys before its own values.
void ReplaceInTree(RunContext& run, const RunOptions& options, RegistryService& reg, RegKey key,
                   bool recurse, const std::string& match, const std::string& replacement) {
    KeyWalk walk(reg, key, RegAccess::AllAccess, "OpenSubKey failed");
    for (;;) {
        if (recurse && walk.Down(run, options)) {
            continue;
        }
        ReplaceInKeyValues(run, options, reg, walk.Current(), match, replacement);
        if (!walk.Up()) {
            return;
        }
    }
}

// Deletes subKey below key with every key below it, deepest first. A key whose subkeys cannot
// all be deleted is kept (its delete then fails, and so does each one above it); the keys on the
// way down are kept on a list of their own instead of the stack.
long DeleteTreeBelow(RegistryService& reg, RegKey key, const std::string& subKey) {
    struct Level {
        RegKey parent;
        std::string name;
        RegKey self = 0;
        std::string deleted{};  // the name of the subkey deleted last
        bool stopped = false;
    };
    std::vector<Level> path;
    path.push_back({key, subKey});
    if (long rc = reg.OpenKey(key, subKey, RegAccess::AllAccess, path.back().self);
        rc != kErrorSuccess) {
        return rc;
    }
    for (;;) {
        Level& level = path.back();
        std::string name;
        if (!level.stopped && path.size() <= kMaxKeyWalkDepth &&
            reg.EnumKey(level.self, 0, name) == kErrorSuccess) {
            // A subkey still there after its delete said it went (made again at once by another
            // program) would be deleted for ever: the key is left with it.
            if (!level.deleted.empty() && name == level.deleted) {
                level.stopped = true;
                continue;
            }
            RegKey sub = 0;
            if (reg.OpenKey(level.self, name, RegAccess::AllAccess, sub) != kErrorSuccess) {
                level.stopped = true;
                continue;
            }
            const RegKey parent = level.self;
            path.push_back({parent, std::move(name), sub});
            continue;
        }
        reg.CloseKey(level.self);
        const long rc = reg.DeleteKey(level.parent, level.name);
        std::string gone = std::move(level.name);
        path.pop_back();
        if (path.empty()) {
            return rc;
        }
        if (rc == kErrorSuccess) {
            path.back().deleted = std::move(gone);
        } else {
            path.back().stopped = true;
        }
    }
}

}  // namespace

void ReportRcmError(RunContext& run, int verbosity, const std::string& label,
                    const std::string& text) {
    LogMessage(run.log, verbosity, 1, label, text);
    NoteFailure(run, RunFailure::CommandError);
}

std::optional<RegKey> RootKeyFromName(RunContext& run, const RunOptions& options,
                                      const std::string& name) {
    RegKey key = 0;
    if (RegRootFromName(name, key)) {
        return key;
    }
    LogMessage(run.log, options.VerboseMode, 6, "RootKey not supported", name);
    return std::nullopt;
}

ParsedContext ParseContext(RunContext& run, const RunOptions& options, const std::string& line) {
    ParsedContext parsed;
    size_t start = std::min<size_t>(options.RcmSignature == 1 ? 0 : 1, line.size());
    size_t pos = start;
    while (pos < line.size() && line[pos] != ']' && line[pos] != '\\' && line[pos] != '=') {
        ++pos;
    }
    parsed.root = line.substr(start, pos - start);
    if (pos >= line.size() || line[pos] == '\\') {
        if (pos < line.size()) {
            ++pos;
        }
        start = pos;
        while (pos < line.size() && line[pos] != ']' && line[pos] != '=') {
            ++pos;
        }
        parsed.subKey = line.substr(start, pos - start);
    }
    if (pos < line.size()) {
        parsed.recurse = CharAt(line, pos + 1) == '*';
    } else {
        ReportRcmError(run, options.VerboseMode, "Context is missing a ] at the end", line);
    }
    parsed.root = Trim(parsed.root);
    parsed.subKey = Trim(parsed.subKey);
    LogMessage(run.log, options.VerboseMode, 99, "RootKey is", parsed.root);
    LogMessage(run.log, options.VerboseMode, 99, "SubKey is ", parsed.subKey);
    return parsed;
}

RcmContext OpenContextKey(RunContext& run, const RunOptions& options, RegistryService& reg,
                          const std::string& line) {
    const int v = options.VerboseMode;
    LogMessage(run.log, v, 9, "Context", line);
    ParsedContext parsed = ParseContext(run, options, line);
    RcmContext context;
    context.subKey = parsed.subKey;
    context.recurse = parsed.recurse;
    std::optional<RegKey> root = RootKeyFromName(run, options, parsed.root);
    if (!root) {
        return context;
    }
    if (options.RcmSignature == 3) {
        if (reg.OpenKey(*root, "", RegAccess::AllAccess, context.key) != kErrorSuccess) {
            LogMessage(run.log, v, 6, "Open key failed", parsed.subKey);
            context.key = 0;
        }
        return context;
    }
    if (reg.CreateKey(*root, parsed.subKey, context.key) != kErrorSuccess) {
        ReportRcmError(run, v, "CreateKey failed for", parsed.subKey);
        context.key = 0;
        return context;
    }
    LogMessage(run.log, v, 99, "CreateKey OK for", parsed.subKey);
    return context;
}

void CloseContextKey(RegistryService& reg, RcmContext& context) {
    if (context.key != 0) {
        reg.CloseKey(context.key);
    }
    context = RcmContext{};
}

ValueTokens SplitValueTokens(RunContext& run, const RunOptions& options, size_t start,
                             const std::string& line) {
    ValueTokens t;
    size_t pos = start;
    bool quoted = false;
    t.name = Token(run, options, line, pos, quoted);
    if (CharAt(line, pos) == '=') {
        ++pos;
    }
    const size_t valueStart = pos;
    if (line.compare(pos, 4, "hex(") == 0) {
        // A token ends after ")", which would cut "hex(2):41,00" short: it runs to a blank.
        size_t end = pos;
        while (end < line.size() && !IsBlank(line[end])) {
            ++end;
        }
        t.value = line.substr(pos, end - pos);
        pos = end;
    } else {
        t.value = Token(run, options, line, pos, t.valueQuoted);
    }
    uint32_t hexType = 0;
    size_t prefix = 0;
    if (!t.valueQuoted && !t.value.empty() && t.value.back() == ',' &&
        IsHexValueText(t.value, hexType, prefix) && SkipBlanks(line, pos) < line.size()) {
        // The bytes go on after a blank ("hex:01, 02"): they are read on to it, so that the
        // blank is reported as an invalid character instead of the bytes after it being lost.
        t.value = TrimRight(line.substr(valueStart));
    }
    LogMessage(run.log, options.VerboseMode, 99, "Key is", t.name);
    LogMessage(run.log, options.VerboseMode, 99, "Value is", t.value);
    return t;
}

void ProcessKey(RunContext& run, const RunOptions& options, RegistryService& reg,
                const RcmContext& context, const std::string& line) {
    const int v = options.VerboseMode;
    LogMessage(run.log, v, 9, "ProcessKey called with", line);
    if (options.RcmSignature == 1) {
        if (reg.SetValue(context.key, "", kRegSz, WithNul(line)) != kErrorSuccess) {
            ReportRcmError(run, v, "Can't set value for key", line);
        }
        return;
    }
    switch (CharAt(line, 0)) {
        case '"':
            SetNamed(run, options, reg, context, line);
            break;
        case '@':
            SetDefault(run, options, reg, context, line);
            break;
        case '+':
            CreateAndSet(run, options, reg, context, line);
            break;
        case '-':
            Delete(run, options, reg, context, line);
            break;
        case 'r':
            Replace(run, options, reg, context, line);
            break;
        default:
            ReportRcmError(run, v, "Unknown command", std::string(1, CharAt(line, 0)));
            break;
    }
}

void ReplaceInValues(RunContext& run, const RunOptions& options, RegistryService& reg, RegKey key,
                     bool recurse, const std::string&, const std::string& match,
                     const std::string& replacement) {
    ReplaceInTree(run, options, reg, key, recurse, match, replacement);
}

void DeleteContextKey(RunContext& run, const RunOptions& options, RegistryService& reg,
                      const std::string& line) {
    const int v = options.VerboseMode;
    // The line without its "-": "[-ROOT\path]" names the key "[ROOT\path]" names.
    std::string named = line;
    named.erase(1, 1);
    ParsedContext parsed = ParseContext(run, options, named);
    std::optional<RegKey> root = RootKeyFromName(run, options, parsed.root);
    if (!root) {
        return;
    }
    LogMessage(run.log, v, 99, "Delete subkey", parsed.subKey);
    long rc = parsed.subKey.empty() ? kErrorAccessDenied : DeleteKeyTree(reg, *root, parsed.subKey);
    if (rc == kErrorSuccess) {
        LogMessage(run.log, v, 6, "Delete subkey ok", parsed.subKey);
    } else if (rc != kErrorFileNotFound) {
        ReportRcmError(run, v, "Delete subkey failed", parsed.subKey);
    }
}

long DeleteKeyTree(RegistryService& reg, RegKey key, const std::string& subKey) {
    return DeleteTreeBelow(reg, key, subKey);
}

}  // namespace rivel
