// The CMD command set: ParseCommand, StoreCommand, the S command and the list dumps.
#include "inicmd/command_list.h"

#include "driver/message_log.h"
#include "text/ini_line.h"
#include "text/line_io.h"
#include "text/strings.h"

namespace rivel {

namespace {

CommandStore& Store() {
    static CommandStore store;
    return store;
}

// Logs the two level-3 messages of a command whose required part is missing.
void Ignoring(const RunOptions& options, const char* mnemonic, const std::string& section,
              const char* second) {
    LogMessage(options.VerboseMode, 3,
               std::string("Ignoring CMD ") + mnemonic + ", Section :", section);
    if (second != nullptr) {
        LogMessage(options.VerboseMode, 3, second, "");
    }
}

// Checks the key (and, when keyOnly is false, the value) of a command that requires them.
bool HasRequired(const RunOptions& options, const char* mnemonic, const std::string& section,
                 const std::string& key, const std::string& value, bool keyOnly, const char* noKey,
                 const char* noValue) {
    if (key.empty()) {
        Ignoring(options, mnemonic, section, noKey);
        return false;
    }
    if (!keyOnly && value.empty()) {
        Ignoring(options, mnemonic, section, noValue);
        return false;
    }
    return true;
}

void Append(CommandKind kind, int32_t doAllways, int32_t withNoEqual, const std::string& section,
            const std::string& key, const std::string& value) {
    CommandRecord r;
    r.Kind = kind;
    r.DoAllways = doAllways;
    r.WithNoEqual = withNoEqual;
    r.Section = section;
    r.Key = key;
    r.Value = value;
    r.UpperSection = UpperCase(section);
    r.UpperKey = UpperCase(key);
    Store().CommandList.push_back(std::move(r));
    Store().NoCommands = 0;
}

// The S command: sets the environment variable named by value to [section]key of the INI file.
void SetEnvFromIni(const RunOptions& options, const std::string& section, const std::string& key,
                   const std::string& value, const std::string& iniFile) {
    const int v = options.VerboseMode;
    if (!HasRequired(options, "SETE", section, key, value, false, "No key-name to SETE....",
                     "No value to SETE....")) {
        return;
    }
    LineReader reader;
    if (!reader.Open(iniFile)) {
        LogMessage(v, 2, "Can't open <" + iniFile + "> for reading ", " INFILE / ININI VALUE");
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
        LogMessage(v, 9, "NOT found Section <" + section + "> in ", iniFile);
        return;
    }
    LogMessage(v, 9, "Found Section <" + section + ">", "");
    bool more = reader.ReadLine(line);
    line = more ? Trim(line) : std::string();
    if (CharAt(line, 0) == '[') {
        LogMessage(v, 9, "Empty section found", "");
    }
    std::string fileKey, fileValue;
    SplitKeyValue(options, line, fileKey, fileValue);
    while (more && CharAt(line, 0) != '[' && !EqualsIgnoreCase(fileKey, key)) {
        more = reader.ReadLine(line);
        if (!more) {
            break;
        }
        line = Trim(line);
        SplitKeyValue(options, line, fileKey, fileValue);
    }
    if (CharAt(line, 0) != '[' && EqualsIgnoreCase(fileKey, key)) {
        LogMessage(v, 9, "Key <" + fileKey + "> found", " value <" + fileValue + ">");
        SetEnvVar(value, fileValue);
    } else {
        LogMessage(v, 9, "Key <" + fileKey + "> not found", " with value <" + fileValue + ">");
        SetEnvVar(value, "");
    }
}

}  // namespace

CommandStore& Commands() {
    return Store();
}

void ResetCommands() {
    FreeCommands();
    FreeReplaces();
    Store().NoCommands = 1;
}

int CommandCode(const std::string& text) {
    switch (CharAt(text, 0)) {
        case '+':
            return 0;
        case '&':
            return 1;
        case '*':
            return 2;
        case '!':
            return 3;
        case '-':
            return 4;
        case '_':
            return 5;
        case '~':
            return 6;
        case '#':
            return 7;
        case '@':
            return 8;
        case '/':
            return 9;
        case '>':
        case '}':
            return 10;
        case 'r':
            return 11;
        case 'R':
            return 12;
        case '<':
        case '{':
            return 13;
        case 'S':
            return 14;
        default:
            return 15;
    }
}

void ParseCommand(const RunOptions& options, const std::string& line, const std::string& iniFile) {
    int32_t doAllways = 1;
    int32_t withNoEqual = 0;
    std::string text = line;
    if (CharAt(text, 0) == '?') {
        doAllways = 0;
        text.erase(0, 1);
    } else if (CharAt(text, 0) == '=') {
        withNoEqual = 1;
        text.erase(0, 1);
    }
    int code = CommandCode(text);
    std::string rest = text.empty() ? std::string() : text.substr(1);
    std::string section, key, value;
    SplitSectionKeyValue(options, rest, section, key, value);
    LogMessage(options.VerboseMode, 9, "Section: ", section);
    LogMessage(options.VerboseMode, 9, "Key    : ", key);
    LogMessage(options.VerboseMode, 9, "Value  : ", value);
    if ((options.CfgMode == 1 || options.CfgMode == 2) && rest.find('=') == std::string::npos) {
        withNoEqual = 1;
    }
    StoreCommand(options, code, doAllways, withNoEqual, section, key, value, iniFile);
}

void StoreCommand(const RunOptions& options, int code, int32_t doAllways, int32_t withNoEqual,
                  std::string section, std::string key, std::string value,
                  const std::string& iniFile) {
    if ((options.CfgMode == 1 || options.CfgMode == 2) && CharAt(section, 0) == '[') {
        section = section.size() >= 2 ? section.substr(1, section.size() - 2) : std::string();
    }
    section = Trim(section);
    key = Trim(key);
    value = Trim(value);
    auto add = [&](CommandKind kind) { Append(kind, doAllways, withNoEqual, section, key, value); };
    switch (code) {
        case 0:
            if (HasRequired(options, "ADD", section, key, value, true, "No key-name to ADD....",
                            nullptr)) {
                add(CommandKind::AddKey);
            }
            break;
        case 1:
            if (HasRequired(options, "ADS", section, key, value, false, "No key-name to ADS....",
                            "No value-name to ADS....")) {
                add(CommandKind::AddKeyAnyway);
            }
            break;
        case 2:
            if (HasRequired(options, "ADU", section, key, value, false, "No key-name to ADU....",
                            "No value-name to ADU....")) {
                add(CommandKind::AddKeyAnywayU);
            }
            break;
        case 3:
            if (HasRequired(options, "ADN", section, key, value, true, nullptr, nullptr)) {
                add(CommandKind::AddKeyNumeric);
            }
            break;
        case 4:
            add(key.empty()     ? CommandKind::DeleteSection
                : value.empty() ? CommandKind::DeleteKey
                                : CommandKind::DeleteKeyVal);
            break;
        case 5:
            if (HasRequired(options, "DEU", section, key, value, false, "No key-name to DEU....",
                            "No value to DEU....")) {
                add(CommandKind::DeleteKeyValU);
            }
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
        case 9:
            if (HasRequired(options, "MKF", section, key, value, false, "No key-name to MKF....",
                            "No value to MKF....")) {
                add(CommandKind::MergeFKey);
            }
            break;
        case 10:
            if (HasRequired(options, "MKY", section, key, value, false, "No key-name to MKY....",
                            "No value to MKY....")) {
                add(CommandKind::MergeKey);
            }
            break;
        case 11:
        case 12: {
            ReplaceRecord r;
            r.Section = TrimRight(UpperCase(section));
            r.Txt1 = TrimRight(key);
            r.Txt2 = value;
            r.MatchCase = code == 12 ? 1 : 0;
            Store().ReplaceList.push_front(std::move(r));
            Store().NoCommands = 0;
            break;
        }
        case 13:
            if (HasRequired(options, "SKY", section, key, value, false, "No key-name to SKY....",
                            "No value to SKY....")) {
                char first = value[0];
                if (first != ',' && first != ' ' && first != ';') {
                    value = ";" + value;
                }
                add(CommandKind::StripKey);
            }
            break;
        case 14:
            SetEnvFromIni(options, section, key, value, iniFile);
            break;
        default:
            break;
    }
}

void DumpCommands(const RunOptions& options) {
    const int v = options.VerboseMode;
    LogMessage(v, 9, "-----BEGIN OF DUMP OF COMMANDS-----", "----------");
    int n = 0;
    for (const CommandRecord& r : Store().CommandList) {
        std::string label = "Command-CMD  " + std::to_string(++n) + " : ";
        LogMessage(v, 9, label,
                   std::to_string(static_cast<int>(r.Kind)) +
                       (r.DoAllways ? " DoAllways" : " DoNotAllways"));
        LogMessage(v, 9, label, r.WithNoEqual ? "WithNoEqual" : "WITH Equal");
        LogMessage(v, 9, label, r.Section);
        LogMessage(v, 9, label, r.Key);
        LogMessage(v, 9, label, r.Value);
    }
    LogMessage(v, 9, "-----END OF DUMP OF COMMANDS-----", "----------");
}

void DumpReplaces(const RunOptions& options) {
    const int v = options.VerboseMode;
    LogMessage(v, 9, "-----BEGIN OF DUMP OF REPLACES-----", "----------");
    int n = 0;
    for (const ReplaceRecord& r : Store().ReplaceList) {
        std::string number = std::to_string(++n);
        std::string label = "Replace-CMD  " + number + " : ";
        LogMessage(v, 9, label, number + (r.MatchCase ? " Match Case" : " DoNot Match Case"));
        LogMessage(v, 9, label, r.Section);
        LogMessage(v, 9, label, r.Txt1);
        LogMessage(v, 9, label, r.Txt2);
    }
    LogMessage(v, 9, "-----END OF DUMP OF REPLACES-----", "----------");
}

void FreeCommands() {
    Store().CommandList.clear();
    Store().CommandList.shrink_to_fit();
}

void FreeReplaces() {
    Store().ReplaceList.clear();
    Store().ReplaceList.shrink_to_fit();
}

}  // namespace rivel
