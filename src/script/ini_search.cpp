// Section and key search in INI files for conditions and system variables.
#include "script/ini_search.h"

#include "text/ini_line.h"
#include "text/strings.h"

namespace rivel {

bool ReadTrimmed(LineReader& reader, std::string& line) {
    std::string raw;
    if (!reader.ReadLine(raw)) {
        return false;
    }
    line = Trim(raw);
    return true;
}

bool SeekSection(LineReader& reader, const std::string& section, std::string& last) {
    const std::string wanted = UpperCase(section);
    last.clear();
    std::string line;
    while (ReadTrimmed(reader, line)) {
        last = line;
        if (UpperCase(line) == wanted) {
            return true;
        }
    }
    return false;
}

KeySearch SeekKey(RunContext& run, const RunOptions& options, LineReader& reader,
                  const std::string& key, const std::string* value, std::string& lineKey,
                  std::string& lineValue) {
    lineKey.clear();
    lineValue.clear();
    std::string line;
    // A section line at the end of the file counts as an empty section.
    if (!ReadTrimmed(reader, line) || CharAt(line, 0) == '[') {
        return KeySearch::EmptySection;
    }
    const std::string wantedKey = UpperCase(key);
    const std::string wantedValue = value != nullptr ? UpperCase(*value) : std::string();
    while (true) {
        SplitKeyValue(run, options, line, lineKey, lineValue);
        if (CharAt(line, 0) == '[') {
            return KeySearch::NotFound;
        }
        if (UpperCase(lineKey) == wantedKey &&
            (value == nullptr || UpperCase(lineValue) == wantedValue)) {
            return KeySearch::Found;
        }
        if (!ReadTrimmed(reader, line)) {
            return KeySearch::NotFound;
        }
    }
}

}  // namespace rivel
