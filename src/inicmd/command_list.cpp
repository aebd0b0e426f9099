// The CMD command set: ParseCommand, StoreCommand, the S command and the list dumps.
#include "inicmd/command_list.h"

#include <array>
#include <iterator>

#include "base/message_log.h"
#include "text/ini_line.h"
#include "text/line_io.h"
#include "text/preview_texts.h"
#include "text/strings.h"

namespace rivel {

namespace {

// The first character of a CMD line and the command code it selects; any other gives 15.
struct CommandLetter {
    char letter;
    int code;
};
constexpr CommandLetter kCommandLetters[] = {
    {'+', 0}, {'&', 1},  {'*', 2},  {'!', 3},  {'-', 4},  {'_', 5},  {'~', 6},  {'#', 7},  {'@', 8},
    {'/', 9}, {'>', 10}, {'}', 10}, {'r', 11}, {'R', 12}, {'<', 13}, {'{', 13}, {'S', 14},
};

// The commands whose parts are checked before they are filed: their mnemonic in the messages,
// whether the value may be missing, the two complaints and the record they make.
struct CheckedCommand {
    int code;
    const char* mnemonic;
    bool valueOptional;
    const char* noKey;
    const char* noValue;
    CommandKind kind;
};
constexpr CheckedCommand kCheckedCommands[] = {
    {0, "ADD", true, "No key-name to ADD....", nullptr, CommandKind::AddKey},
    {1, "ADS", false, "No key-name to ADS....", "No value-name to ADS....",
     CommandKind::AddKeyAnyway},
    {2, "ADU", false, "No key-name to ADU....", "No value-name to ADU....",
     CommandKind::AddKeyAnywayU},
    {3, "ADN", true, nullptr, nullptr, CommandKind::AddKeyNumeric},
    {5, "DEU", false, "No key-name to DEU....", "No value to DEU....", CommandKind::DeleteKeyValU},
    {9, "MKF", false, "No key-name to MKF....", "No value to MKF....", CommandKind::MergeFKey},
    {10, "MKY", false, "No key-name to MKY....", "No value to MKY....", CommandKind::MergeKey},
    {13, "SKY", false, "No key-name to SKY....", "No value to SKY....", CommandKind::StripKey},
};

// The command code of every first character, and the entry of kCheckedCommands of every code
// (or -1): a line finds both at once.
constexpr std::array<uint8_t, 256> kCodeOfLetter = [] {
    std::array<uint8_t, 256> codes{};
    codes.fill(15);
    for (const CommandLetter& letter : kCommandLetters) {
        codes[static_cast<unsigned char>(letter.letter)] = static_cast<uint8_t>(letter.code);
    }
    return codes;
}();
constexpr std::array<int8_t, 16> kCheckedOfCode = [] {
    std::array<int8_t, 16> at{};
    at.fill(-1);
    for (size_t i = 0; i < std::size(kCheckedCommands); ++i) {
        at[kCheckedCommands[i].code] = static_cast<int8_t>(i);
    }
    return at;
}();

// Logs the two level-3 messages of a command whose required part is missing.
void Ignoring(RunContext& run, const RunOptions& options, const char* mnemonic,
              std::string_view section, const char* second) {
    LogMessage(run.log, options.VerboseMode, 3,
               std::string("Ignoring CMD ") + mnemonic + ", Section :", section);
    NoteFailure(run, RunFailure::CommandError);
    if (second != nullptr) {
        LogMessage(run.log, options.VerboseMode, 3, second, "");
        NoteFailure(run, RunFailure::CommandError);
    }
}

// Checks the key (and, when keyOnly is false, the value) of a command that requires them.
bool HasRequired(RunContext& run, const RunOptions& options, const char* mnemonic,
                 std::string_view section, std::string_view key, std::string_view value,
                 bool keyOnly, const char* noKey, const char* noValue) {
    if (key.empty()) {
        Ignoring(run, options, mnemonic, section, noKey);
        return false;
    }
    if (!keyOnly && value.empty()) {
        Ignoring(run, options, mnemonic, section, noValue);
        return false;
    }
    return true;
}

// Copies text into an empty string: in place when it fits the string's own buffer (most
// texts), else into an allocation of its exact size.
inline void Fill(std::string& out, std::string_view text) {
    if (text.size() <= out.capacity()) {
        out.append(text);
    } else {
        out = std::string(text);
    }
}

// Files a record; its value is valueHead followed by value. Each text is copied once into the
// record's strings.
void Append(CommandStore& store, CommandKind kind, int32_t doAllways, int32_t withNoEqual,
            std::string_view section, std::string_view key, std::string_view valueHead,
            std::string_view value) {
    CommandRecord& r = store.CommandList.emplace_back();
    r.Kind = kind;
    r.DoAllways = doAllways;
    r.WithNoEqual = withNoEqual;
    Fill(r.Section, section);
    Fill(r.Key, key);
    if (valueHead.empty()) {
        Fill(r.Value, value);
    } else {
        r.Value = std::string(valueHead).append(value);
    }
    store.NoCommands = 0;
}

// TrimmedView, with the usual case (no blank at either end) decided here.
inline std::string_view Trimmed(std::string_view text) {
    if (text.size() < 2 || (!IsBlank(text.front()) && !IsBlank(text.back()))) {
        return text;
    }
    return TrimmedView(text);
}

// The S command: sets the environment variable named by value to [section]key of the INI file.
void SetEnvFromIni(RunContext& run, const RunOptions& options, const std::string& section,
                   const std::string& key, const std::string& value, const std::string& iniFile) {
    const int v = options.VerboseMode;
    if (!HasRequired(run, options, "SETE", section, key, value, false, "No key-name to SETE....",
                     "No value to SETE....")) {
        return;
    }
    LineReader reader;
    if (!OpenAsLeft(run, reader, iniFile)) {
        LogMessage(run.log, v, 2, "Can't open <" + iniFile + "> for reading ",
                   " INFILE / ININI VALUE");
        return;
    }
    std::string line;
    bool found = false;
    while (reader.ReadLine(line)) {
        if (EqualsIgnoreCase(Trim(line), section)) {
            found = true;
            break;
        }
    }
    if (!found) {
        LogMessage(run.log, v, 9, "NOT found Section <" + section + "> in ", iniFile);
        return;
    }
    LogMessage(run.log, v, 9, "Found Section <" + section + ">", "");
    bool more = reader.ReadLine(line);
    line = more ? Trim(line) : std::string();
    if (CharAt(line, 0) == '[') {
        LogMessage(run.log, v, 9, "Empty section found", "");
    }
    std::string fileKey, fileValue;
    SplitKeyValue(run, options, line, fileKey, fileValue);
    while (more && CharAt(line, 0) != '[' && !EqualsIgnoreCase(fileKey, key)) {
        more = reader.ReadLine(line);
        if (!more) {
            break;
        }
        line = Trim(line);
        SplitKeyValue(run, options, line, fileKey, fileValue);
    }
    if (CharAt(line, 0) != '[' && EqualsIgnoreCase(fileKey, key)) {
        LogMessage(run.log, v, 9, "Key <" + fileKey + "> found", " value <" + fileValue + ">");
        SetEnvVar(value, fileValue);
    } else {
        LogMessage(run.log, v, 9, "Key <" + fileKey + "> not found",
                   " with value <" + fileValue + ">");
        SetEnvVar(value, "");
    }
}

}  // namespace

int CommandCode(std::string_view text) {
    return kCodeOfLetter[static_cast<unsigned char>(CharAt(text, 0))];
}

void ParseCommand(RunContext& run, const RunOptions& options, CommandStore& store,
                  std::string_view line, const std::string& iniFile) {
    int32_t doAllways = 1;
    int32_t withNoEqual = 0;
    std::string_view text = line;
    if (CharAt(text, 0) == '?') {
        doAllways = 0;
        text.remove_prefix(1);
    } else if (CharAt(text, 0) == '=') {
        withNoEqual = 1;
        text.remove_prefix(1);
    }
    int code = CommandCode(text);
    if (code == 15 && !TrimRightView(text).empty()) {
        // Not a command (a key written without its command character, a mistyped or lower-case
        // one): the line is dropped without a message, but it is an error of the CMD file all
        // the same, which /x must not report as a clean run. A line of blanks is no command.
        NoteFailure(run, RunFailure::CommandError);
    }
    std::string_view rest = text.empty() ? std::string_view() : text.substr(1);
    std::string_view section, key, value;
    SplitSectionKeyValueView(run, options, rest, section, key, value);
    LogMessage(run.log, options.VerboseMode, 9, "Section: ", section);
    LogMessage(run.log, options.VerboseMode, 9, "Key    : ", key);
    LogMessage(run.log, options.VerboseMode, 9, "Value  : ", value);
    if ((options.CfgMode == 1 || options.CfgMode == 2) && rest.find('=') == std::string::npos) {
        withNoEqual = 1;
    }
    StoreCommand(run, options, store, code, doAllways, withNoEqual, section, key, value, iniFile);
}

void StoreCommand(RunContext& run, const RunOptions& options, CommandStore& store, int code,
                  int32_t doAllways, int32_t withNoEqual, std::string_view section,
                  std::string_view key, std::string_view value, const std::string& iniFile) {
    if ((options.CfgMode == 1 || options.CfgMode == 2) && CharAt(section, 0) == '[') {
        section = section.size() >= 2 ? section.substr(1, section.size() - 2) : std::string_view();
    }
    section = Trimmed(section);
    key = Trimmed(key);
    value = Trimmed(value);
    auto add = [&](CommandKind kind) {
        Append(store, kind, doAllways, withNoEqual, section, key, {}, value);
    };
    if (code >= 0 && code < 16 && kCheckedOfCode[code] >= 0) {
        const CheckedCommand& c = kCheckedCommands[kCheckedOfCode[code]];
        if (HasRequired(run, options, c.mnemonic, section, key, value, c.valueOptional, c.noKey,
                        c.noValue)) {
            if (c.kind == CommandKind::StripKey) {
                char first = value[0];
                if (first != ',' && first != ' ' && first != ';') {
                    Append(store, c.kind, doAllways, withNoEqual, section, key, ";", value);
                    return;
                }
            }
            add(c.kind);
        }
        return;
    }
    switch (code) {
        case 4:
            add(key.empty()     ? CommandKind::DeleteSection
                : value.empty() ? CommandKind::DeleteKey
                                : CommandKind::DeleteKeyVal);
            break;
        case 6:
            add(value.empty() ? CommandKind::DeleteKeyNum : CommandKind::DeleteKeyValNum);
            break;
        case 7:
            add(key.empty()     ? CommandKind::CommentSection
                : value.empty() ? CommandKind::CommentKey
                                : CommandKind::CommentKeyVal);
            break;
        case 8:
            add(key.empty()     ? CommandKind::UCommentSection
                : value.empty() ? CommandKind::UCommentKey
                                : CommandKind::UCommentKeyVal);
            break;
        case 11:
        case 12: {
            ReplaceRecord r;
            r.Section = TrimRight(UpperCase(section));
            r.Txt1 = TrimRight(key);
            r.Txt2 = value;
            r.MatchCase = code == 12 ? 1 : 0;
            store.ReplaceList.push_front(std::move(r));
            store.NoCommands = 0;
            break;
        }
        case 14:
            SetEnvFromIni(run, options, std::string(section), std::string(key), std::string(value),
                          iniFile);
            break;
        default:
            break;
    }
}

void DumpCommands(RunContext& run, const RunOptions& options, const CommandStore& store) {
    const int v = options.VerboseMode;
    LogMessage(run.log, v, 9, "-----BEGIN OF DUMP OF COMMANDS-----", "----------");
    int n = 0;
    for (const CommandRecord& r : store.CommandList) {
        std::string label = "Command-CMD  " + std::to_string(++n) + " : ";
        LogMessage(run.log, v, 9, label,
                   std::to_string(static_cast<int>(r.Kind)) +
                       (r.DoAllways ? " DoAllways" : " DoNotAllways"));
        LogMessage(run.log, v, 9, label, r.WithNoEqual ? "WithNoEqual" : "WITH Equal");
        LogMessage(run.log, v, 9, label, r.Section);
        LogMessage(run.log, v, 9, label, r.Key);
        LogMessage(run.log, v, 9, label, r.Value);
    }
    LogMessage(run.log, v, 9, "-----END OF DUMP OF COMMANDS-----", "----------");
}

void DumpReplaces(RunContext& run, const RunOptions& options, const CommandStore& store) {
    const int v = options.VerboseMode;
    LogMessage(run.log, v, 9, "-----BEGIN OF DUMP OF REPLACES-----", "----------");
    int n = 0;
    for (const ReplaceRecord& r : store.ReplaceList) {
        std::string number = std::to_string(++n);
        std::string label = "Replace-CMD  " + number + " : ";
        LogMessage(run.log, v, 9, label,
                   number + (r.MatchCase ? " Match Case" : " DoNot Match Case"));
        LogMessage(run.log, v, 9, label, r.Section);
        LogMessage(run.log, v, 9, label, r.Txt1);
        LogMessage(run.log, v, 9, label, r.Txt2);
    }
    LogMessage(run.log, v, 9, "-----END OF DUMP OF REPLACES-----", "----------");
}

void FreeCommands(CommandStore& store) {
    store.CommandList.clear();
    store.CommandList.shrink_to_fit();
}

void FreeReplaces(CommandStore& store) {
    store.ReplaceList.clear();
    store.ReplaceList.shrink_to_fit();
}

}  // namespace rivel
