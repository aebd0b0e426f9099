// System variables. Names are compared exactly, case included; the first entry of the table
// that matches decides.
#include "script/sysvars.h"

#include <vector>

#include "base/message_log.h"
#include "netware/netware.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "registry/key_walk.h"
#include "registry/registry_ops.h"
#include "registry/run_registry.h"
#include "script/ini_search.h"
#include "text/ini_line.h"
#include "text/line_io.h"
#include "text/preview_texts.h"
#include "text/strings.h"
#include "text/tokens.h"

namespace rivel {

namespace {

constexpr const char* kCallError = "CallError";
// Registry values longer than this are not read.
constexpr size_t kRegistryDataLimit = 1024;

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// For the _FILE... variables: the file name is the argument up to its first "[".
void SplitFileArgument(const std::string& argument, std::string& file, std::string& rest) {
    size_t bracket = argument.find('[');
    file = argument.substr(0, bracket);
    rest = bracket == std::string::npos ? std::string() : argument.substr(bracket);
}

// Opens the file and finds the section; on failure the failure value is returned.
bool OpenSection(RunContext& run, const RunOptions& options, const std::string& file,
                 const std::string& argument, LineReader& reader, std::string& section,
                 std::string& key) {
    const int v = options.VerboseMode;
    LogMessage(run.log, v, 9, "INI Files searched is : ", file);
    LogMessage(run.log, v, 10, "Remaining line is     : ", argument);
    std::string value;
    SplitSectionKeyValue(run, options, argument, section, key, value);
    if (!OpenAsLeft(run, reader, file)) {
        LogMessage(run.log, v, 2, "Can't open <" + file + "> for reading ",
                   " INFILE / ININI VALUE");
        return false;
    }
    std::string last;
    if (!SeekSection(reader, section, last)) {
        LogMessage(run.log, v, 9, "NOT found Section <" + section + "> in ", last);
        return false;
    }
    LogMessage(run.log, v, 9, "Found Section <" + section + ">", "");
    return true;
}

std::string IniValue(RunContext& run, const RunOptions& options, const std::string& file,
                     const std::string& argument) {
    const int v = options.VerboseMode;
    LineReader reader;
    std::string section;
    std::string key;
    if (!OpenSection(run, options, file, argument, reader, section, key)) {
        return "";
    }
    std::string lineKey;
    std::string lineValue;
    KeySearch found = SeekKey(run, options, reader, key, nullptr, lineKey, lineValue);
    if (found == KeySearch::EmptySection) {
        LogMessage(run.log, v, 9, "Empty section found", "");
        return "";
    }
    if (found == KeySearch::Found) {
        LogMessage(run.log, v, 9, "Key <" + key + "> found", " value <" + lineValue + ">");
        return lineValue;
    }
    LogMessage(run.log, v, 9, "Key <" + key + "> not found", " with value <" + lineValue + ">");
    return "";
}

std::string MaxNumKey(RunContext& run, const RunOptions& options, const std::string& file,
                      const std::string& argument) {
    const int v = options.VerboseMode;
    LineReader reader;
    std::string section;
    std::string key;
    if (!OpenSection(run, options, file, argument, reader, section, key)) {
        return "0";
    }
    std::string line;
    if (!ReadTrimmed(reader, line) || CharAt(line, 0) == '[') {
        LogMessage(run.log, v, 9, "Empty section found", "");
        return "0";
    }
    const std::string wanted = UpperCase(key);
    int64_t highest = -1;
    do {
        if (CharAt(line, 0) == '[') {
            break;
        }
        std::string lineKey;
        std::string lineValue;
        SplitKeyValue(run, options, line, lineKey, lineValue);
        if (SNum(run, options, lineKey) == wanted) {
            LogMessage(run.log, v, 9, "Section/Key found:", lineKey);
            int32_t n = GetNum(run, options, lineKey);
            if (n > highest) {
                highest = n;
            }
        }
    } while (ReadTrimmed(reader, line));
    if (highest < 0) {
        LogMessage(run.log, v, 9, "Key <" + key + "> not found", "returning 0");
        return "0";
    }
    std::string result = std::to_string(highest);
    LogMessage(run.log, v, 9, "Key <" + key + "> found", " highest value <" + result + ">");
    return result;
}

std::string PathPart(RunContext& run, const RunOptions& options, const std::string& path,
                     char part) {
    LogMessage(run.log, options.VerboseMode, 9, "Remaining part is <" + path + ">", "");
    PathParts p = SplitPath(path);
    switch (part) {
        case 'D':
            return p.drive;
        case 'P':
            return p.directory;
        default:
            return p.name + p.extension;
    }
}

// The key named by "root\subkey]" at the start of text; rest is what follows the "]".
void SplitRegistryArgument(const std::string& text, std::string& root, std::string& subKey,
                           std::string& rest) {
    size_t close = text.find(']');
    std::string keyText = text.substr(0, close);
    rest = close == std::string::npos ? std::string() : text.substr(close + 1);
    size_t slash = keyText.find('\\');
    root = keyText.substr(0, slash);
    subKey = slash == std::string::npos ? std::string() : keyText.substr(slash + 1);
}

std::string DefaultName(const std::string& name) {
    return name == "@" ? std::string() : name;
}

bool IsStringType(uint32_t type) {
    return type == kRegSz || type == kRegExpandSz;
}

std::string UpToNul(const std::string& data) {
    return data.substr(0, data.find('\0'));
}

// Opens root and subkey; on failure logs and returns false.
bool OpenRegistryKey(RunContext& run, const RunOptions& options, RegistryService& reg,
                     const std::string& root, const std::string& subKey, RegAccess access,
                     RegKey& key) {
    std::optional<RegKey> rootKey = RootKeyFromName(run, options, root);
    if (!rootKey) {
        LogMessage(run.log, options.VerboseMode, 1, "Can't open rootkey", root);
        return false;
    }
    if (reg.OpenKey(*rootKey, subKey, access, key) != kErrorSuccess) {
        LogMessage(run.log, options.VerboseMode, 1, "Can't open subkey", subKey);
        return false;
    }
    return true;
}

std::string RegValue(RunContext& run, const RunOptions& options, const std::string& argument) {
    const int v = options.VerboseMode;
    std::string root;
    std::string subKey;
    std::string rest;
    SplitRegistryArgument(argument, root, subKey, rest);
    size_t pos = 0;
    std::string valueName = GetSToken(run, options, rest, pos);
    LogMessage(run.log, v, 9, "RootContext", root);
    LogMessage(run.log, v, 9, "Sub Context", subKey);
    LogMessage(run.log, v, 9, "Key", valueName);
    if (root.empty() || subKey.empty()) {
        LogMessage(run.log, v, 3, "Context, SubContext or Key is empty", "");
        return kCallError;
    }
    RegistryService& reg = RunRegistry(run, options);
    RegKey key = 0;
    if (!OpenRegistryKey(run, options, reg, root, subKey, RegAccess::QueryValue, key)) {
        return kCallError;
    }
    uint32_t type = 0;
    std::string data;
    bool read = reg.QueryValue(key, DefaultName(valueName), kRegistryDataLimit, type, data) ==
                kErrorSuccess;
    reg.CloseKey(key);
    if (!read) {
        LogMessage(run.log, v, 1, "Read Value failed", "");
        return kCallError;
    }
    if (!IsStringType(type)) {
        LogMessage(run.log, v, 3, "Value is not a string", "");
        return kCallError;
    }
    std::string value = UpToNul(data);
    LogMessage(run.log, v, 9, "Value is ", value);
    return value;
}

// True when key holds a value called name (with data, unless data is empty).
bool HoldsValue(RegistryService& reg, RegKey key, const std::string& name,
                const std::string& data) {
    std::string valueName;
    std::string valueData;
    uint32_t type = 0;
    for (uint32_t i = 0;; ++i) {
        long rc = reg.EnumValue(key, i, kRegistryDataLimit, valueName, type, valueData);
        if (rc == kErrorMoreData) {
            // Too long to compare its data; the name alone may still be what is looked for.
            if (data.empty() && !valueName.empty() && EqualsIgnoreCase(valueName, name)) {
                return true;
            }
            continue;
        }
        if (rc != kErrorSuccess) {
            return false;
        }
        if (EqualsIgnoreCase(valueName, name) &&
            (data.empty() || (IsStringType(type) && EqualsIgnoreCase(UpToNul(valueData), data)))) {
            return true;
        }
    }
}

// The path below key of the first key (depth first) holding the value; " " for key itself.
std::string FindValueKey(RunContext& run, const RunOptions& options, RegistryService& reg,
                         RegKey key, const std::string& name, const std::string& data) {
    KeyWalk walk(reg, key, RegAccess::Read, "Failed to open subkey");
    for (;;) {
        if (HoldsValue(reg, walk.Current(), name, data)) {
            return walk.Path() + " ";
        }
        while (!walk.Down(run, options)) {
            if (!walk.Up()) {
                return "";
            }
        }
    }
}

// True when key has a subkey called name.
bool HasSubKeyNamed(RegistryService& reg, RegKey key, const std::string& name) {
    std::string subName;
    for (uint32_t i = 0; reg.EnumKey(key, i, subName) == kErrorSuccess; ++i) {
        if (EqualsIgnoreCase(subName, name)) {
            return true;
        }
    }
    return false;
}

// The path below key of the first subkey (depth first) called name, as name is written.
std::string FindSubKey(RunContext& run, const RunOptions& options, RegistryService& reg, RegKey key,
                       const std::string& name) {
    KeyWalk walk(reg, key, RegAccess::EnumerateSubKeys, "Failed to open subkey");
    for (;;) {
        if (HasSubKeyNamed(reg, walk.Current(), name)) {
            return walk.Path() + name;
        }
        while (!walk.Down(run, options)) {
            if (!walk.Up()) {
                return "";
            }
        }
    }
}

std::string ContextResult(RunContext& run, const RunOptions& options, const std::string& root,
                          const std::string& subKey, const std::string& path) {
    if (path.empty()) {
        LogMessage(run.log, options.VerboseMode, 3, "SubKey not found below of", subKey);
        return kCallError;
    }
    // The path of the key found: its parts joined by "\" (a match in the start key adds none).
    std::string result = "[" + root;
    for (const std::string& part : {subKey, path}) {
        std::string trimmed = part;
        while (!trimmed.empty() && (trimmed.back() == '\\' || IsBlank(trimmed.back()))) {
            trimmed.pop_back();
        }
        if (!trimmed.empty()) {
            result += "\\" + trimmed;
        }
    }
    result += "]";
    LogMessage(run.log, options.VerboseMode, 9, "Value is ", result);
    return result;
}

std::string RegContextValue(RunContext& run, const RunOptions& options,
                            const std::string& argument) {
    const int v = options.VerboseMode;
    std::string root;
    std::string subKey;
    std::string rest;
    SplitRegistryArgument(argument, root, subKey, rest);
    size_t pos = 0;
    std::string name = GetSToken(run, options, rest, pos);
    std::string data;
    if (CharAt(rest, pos) == '=') {
        ++pos;
        data = GetSToken(run, options, rest, pos);
    }
    LogMessage(run.log, v, 9, "RootContext", root);
    LogMessage(run.log, v, 9, "Sub Context", subKey);
    LogMessage(run.log, v, 9, "Key", name);
    LogMessage(run.log, v, 9, "Value", data);
    if (root.empty() || name.empty()) {
        LogMessage(run.log, v, 3, "Context or Key is empty", "");
        return kCallError;
    }
    RegistryService& reg = RunRegistry(run, options);
    RegKey key = 0;
    if (!OpenRegistryKey(run, options, reg, root, subKey, RegAccess::Read, key)) {
        return kCallError;
    }
    std::string path = FindValueKey(run, options, reg, key, DefaultName(name), data);
    reg.CloseKey(key);
    return ContextResult(run, options, root, subKey, Trim(path));
}

std::string RegContextSubKey(RunContext& run, const RunOptions& options,
                             const std::string& argument) {
    const int v = options.VerboseMode;
    std::string root;
    std::string subKey;
    std::string name;
    SplitRegistryArgument(argument, root, subKey, name);
    LogMessage(run.log, v, 9, "RootContext", root);
    LogMessage(run.log, v, 9, "Sub Context", subKey);
    LogMessage(run.log, v, 9, "Key", name);
    if (root.empty() || name.empty()) {
        LogMessage(run.log, v, 3, "Context or Key is empty", "");
        return kCallError;
    }
    RegistryService& reg = RunRegistry(run, options);
    RegKey key = 0;
    if (!OpenRegistryKey(run, options, reg, root, subKey, RegAccess::EnumerateSubKeys, key)) {
        return kCallError;
    }
    std::string path = FindSubKey(run, options, reg, key, DefaultName(name));
    reg.CloseKey(key);
    return ContextResult(run, options, root, subKey, Trim(path));
}

}  // namespace

PathParts SplitPath(const std::string& path) {
    PathParts p;
    size_t start = 0;
    if (CharAt(path, 1) == ':') {
        p.drive = path.substr(0, 2);
        start = 2;
    }
    size_t last = path.find_last_of("\\/");
    size_t nameStart = start;
    if (last != std::string::npos && last >= start) {
        p.directory = path.substr(start, last + 1 - start);
        nameStart = last + 1;
    }
    std::string file = path.substr(nameStart);
    size_t dot = file.rfind('.');
    p.name = file.substr(0, dot);
    p.extension = dot == std::string::npos ? std::string() : file.substr(dot);
    return p;
}

PathParts SplitFileName(const std::string& path) {
    if (PathSeparator() == '\\') {
        return SplitPath(path);
    }
    // Without drives a name such as "c:1.ini" is all file name: split it as if a directory of
    // its own stood in front ("./"), then take that directory away again.
    PathParts p = SplitPath("./" + path);
    p.directory.erase(0, 2);
    return p;
}

std::string EVALSysvar(RunContext& run, const RunOptions& options, const std::string& name) {
    auto after = [&](const std::string& word) { return name.substr(word.size()); };
    if (StartsWith(name, "_INIVALUE")) {
        return IniValue(run, options, run.currentIniFile, after("_INIVALUE"));
    }
    if (StartsWith(name, "_FILEINIVALUE")) {
        std::string file;
        std::string rest;
        SplitFileArgument(after("_FILEINIVALUE"), file, rest);
        return IniValue(run, options, file, rest);
    }
    if (StartsWith(name, "_MAXNUMKEY")) {
        return MaxNumKey(run, options, run.currentIniFile, after("_MAXNUMKEY"));
    }
    if (StartsWith(name, "_FILEMAXNUMKEY")) {
        std::string file;
        std::string rest;
        SplitFileArgument(after("_FILEMAXNUMKEY"), file, rest);
        return MaxNumKey(run, options, file, rest);
    }
    if (name == "_ERRORCODE") {
        return std::to_string(run.lastErrorCode);
    }
    if (name == "_VESA") {
        return "Only implemented in plain DOS";
    }
    if (StartsWith(name, "_DRIVENAME")) {
        return PathPart(run, options, after("_DRIVENAME"), 'D');
    }
    if (StartsWith(name, "_DIRNAME")) {
        return PathPart(run, options, after("_DIRNAME"), 'P');
    }
    if (StartsWith(name, "_FILENAME")) {
        return PathPart(run, options, after("_FILENAME"), 'F');
    }
    if (name == "_INIFILE" || name == "_CMDFILE") {
        PathParts p = SplitFileName(name == "_INIFILE" ? run.currentIniFile : run.currentCmdFile);
        return p.name + p.extension;
    }
    if (name == "_INIPATH" || name == "_CMDPATH") {
        PathParts p = SplitFileName(name == "_INIPATH" ? run.currentIniFile : run.currentCmdFile);
        return p.drive + p.directory;
    }
    if (name == "_NW_LOGINNAME") {
        return GetNWLoginName(run, options);
    }
    if (name == "_NW_FULLNAME") {
        return GetNWFullName(run, options);
    }
    if (name == "_NW_LOGINTIME") {
        return GetNWLoginTime(run, options);
    }
    if (name == "_NW_CONNECTION") {
        return GetNWConnection(run, options);
    }
    if (name == "_NW_OBJID") {
        return GetNWObjectID(run, options);
    }
    if (name == "_NW_NICADDR") {
        return GetNWNicAddress(run, options);
    }
    if (name == "_NW_INETADDR") {
        return GetNWInetAddress(run, options);
    }
    if (StartsWith(name, "_REGVALUE[")) {
        return RegValue(run, options, after("_REGVALUE["));
    }
    if (StartsWith(name, "_REGCONTEXTVALUE[")) {
        return RegContextValue(run, options, after("_REGCONTEXTVALUE["));
    }
    if (StartsWith(name, "_REGCONTEXTSUBKEY[")) {
        return RegContextSubKey(run, options, after("_REGCONTEXTSUBKEY["));
    }
    LogMessage(run.log, options.VerboseMode, 3, "EVALSysvar currently not implemented : ", name);
    return name;
}

}  // namespace rivel
