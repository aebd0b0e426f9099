// REGEDIT4 text of registry keys, read through the registry service.
#include "registry/reg_export.h"

#include <algorithm>
#include <cstdio>

#include "registry/hive_text.h"
#include "text/strings.h"

namespace rivel {

namespace {

struct RootName {
    const char* name;
    RegKey key;
};

constexpr RootName kRoots[] = {{"HKEY_CLASSES_ROOT", kHkeyClassesRoot},
                               {"HKEY_CURRENT_USER", kHkeyCurrentUser},
                               {"HKEY_LOCAL_MACHINE", kHkeyLocalMachine},
                               {"HKEY_USERS", kHkeyUsers},
                               {"HKEY_PERFORMANCE_DATA", kHkeyPerformanceData},
                               {"HKEY_PERFORMANCE_TEXT", kHkeyPerformanceText},
                               {"HKEY_PERFORMANCE_NLSTEXT", kHkeyPerformanceNlsText}};

// Values larger than this are shown by their size only.
constexpr size_t kLargestValue = size_t{1} << 24;

struct Value {
    std::string name;
    uint32_t type = 0;
    std::string data;
    bool tooLarge = false;
};

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string HexBytes(const std::string& data) {
    std::string out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i != 0) {
            out.push_back(',');
        }
        AppendHexByte(out, data[i]);
    }
    return out;
}

// A value type as REGEDIT4 files write it: in hexadecimal.
std::string TypeText(uint32_t type) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(type));
    return text;
}

std::string ValueLine(const Value& value) {
    std::string line = value.name.empty() ? "@" : Quoted(value.name);
    line.push_back('=');
    if (value.tooLarge) {
        return line + "; " + TypeText(value.type) + " (data too large to show)";
    }
    // A string with its one terminating NUL and none inside reads back as the same string; one
    // that holds a line end cannot stand on one line, and is shown as its bytes.
    const std::string& d = value.data;
    if (value.type == kRegSz && !d.empty() && d.back() == '\0' && d.find('\0') == d.size() - 1 &&
        d.find_first_of("\r\n") == std::string::npos) {
        return line + Quoted(d.substr(0, d.size() - 1));
    }
    if (value.type == kRegDword && d.size() == 4) {
        uint32_t n = 0;
        for (int i = 3; i >= 0; --i) {
            n = (n << 8) | static_cast<unsigned char>(d[static_cast<size_t>(i)]);
        }
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(n));
        return line + text;
    }
    if (value.type == kRegBinary) {
        return line + "hex:" + HexBytes(d);
    }
    return line + "hex(" + TypeText(value.type) + "):" + HexBytes(d);
}

bool ReadValues(RegistryService& reg, RegKey key, std::vector<Value>& values) {
    for (uint32_t index = 0;; ++index) {
        Value value;
        long rc = kErrorMoreData;
        for (size_t room = 4096; rc == kErrorMoreData && room <= kLargestValue; room *= 8) {
            rc = reg.EnumValue(key, index, room, value.name, value.type, value.data);
        }
        if (rc == kErrorNoMoreItems) {
            return true;
        }
        if (rc == kErrorMoreData) {
            value.tooLarge = true;
        } else if (rc != kErrorSuccess) {
            return false;
        }
        values.push_back(std::move(value));
    }
}

}  // namespace

std::string RegRootName(RegKey root) {
    for (const RootName& r : kRoots) {
        if (r.key == root) {
            return r.name;
        }
    }
    return "";
}

bool RegRootFromName(const std::string& name, RegKey& root) {
    for (const RootName& r : kRoots) {
        if (name == r.name) {
            root = r.key;
            return true;
        }
    }
    return false;
}

std::string ExportRegistryKeys(RegistryService& reg, const std::vector<std::string>& paths) {
    std::vector<std::string> sorted = paths;
    auto byPath = [](const std::string& a, const std::string& b) {
        return UpperCase(a) < UpperCase(b);
    };
    std::sort(sorted.begin(), sorted.end(), byPath);
    std::string text = "REGEDIT4\n";
    for (const std::string& path : sorted) {
        size_t slash = path.find('\\');
        RegKey root = 0;
        if (!RegRootFromName(path.substr(0, slash), root)) {
            continue;
        }
        RegKey key = 0;
        std::string sub = slash == std::string::npos ? "" : path.substr(slash + 1);
        if (reg.OpenKey(root, sub, RegAccess::Read, key) != kErrorSuccess) {
            continue;
        }
        std::vector<Value> values;
        bool read = ReadValues(reg, key, values);
        reg.CloseKey(key);
        std::stable_sort(values.begin(), values.end(), [](const Value& a, const Value& b) {
            return UpperCase(a.name) < UpperCase(b.name);
        });
        text += "\n[" + path + "]\n";
        if (!read) {
            text += "; values could not be read\n";
        }
        for (const Value& value : values) {
            text += ValueLine(value) + "\n";
        }
    }
    return text;
}

}  // namespace rivel
