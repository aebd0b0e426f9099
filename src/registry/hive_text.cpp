// The text forms of registry files, read and written the way the files' own tools do, so that
// what the program writes reads back the same in both.
#include "registry/hive_text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/registry.h"
#include "text/strings.h"

namespace rivel {

namespace {

bool OnlyBlanksFrom(std::string_view text, size_t pos) {
    return SkipBlanks(text, pos) == text.size();
}

// Reads hexadecimal digits at pos into number (at most maxDigits); false when there is none.
bool ParseHexNumber(std::string_view text, size_t& pos, size_t maxDigits, uint32_t& number) {
    number = 0;
    size_t digits = 0;
    while (pos < text.size() && digits < maxDigits && HexDigit(text[pos]) >= 0) {
        number = number * 16 + static_cast<uint32_t>(HexDigit(text[pos]));
        ++pos;
        ++digits;
    }
    return digits > 0;
}

// "(N):" after "str" or "hex".
bool ParseTypeSuffix(std::string_view text, size_t& pos, uint32_t& type) {
    if (pos >= text.size() || text[pos] != '(') {
        return false;
    }
    ++pos;
    if (!ParseHexNumber(text, pos, 8, type)) {
        return false;
    }
    if (text.substr(pos, 2) != "):") {
        return false;
    }
    pos += 2;
    return true;
}

// Comma-separated bytes of one or two hex digits; blanks allowed around them.
bool ParseHexList(std::string_view text, size_t pos, std::string& data) {
    pos = SkipBlanks(text, pos);
    if (pos == text.size()) {
        return true;
    }
    for (;;) {
        uint32_t byte = 0;
        if (!ParseHexNumber(text, pos, 2, byte)) {
            return false;
        }
        data.push_back(static_cast<char>(byte));
        pos = SkipBlanks(text, pos);
        if (pos == text.size()) {
            return true;
        }
        if (text[pos] != ',') {
            return false;
        }
        pos = SkipBlanks(text, pos + 1);
        if (pos == text.size()) {
            return true;  // a trailing comma, as continued lines leave it
        }
    }
}

}  // namespace

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string WideToBytes(std::u16string_view wide) {
    std::string bytes(wide.size() * 2, '\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        bytes[2 * i] = static_cast<char>(wide[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(wide[i] >> 8);
    }
    return bytes;
}

std::u16string BytesToWide(std::string_view bytes) {
    std::u16string wide;
    wide.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return wide;
}

namespace {

// Reads escaped text; with out nullptr the text is only checked.
bool ReadEscaped(std::string_view text, size_t& pos, char end, std::u16string* out) {
    if (out != nullptr) {
        out->clear();
    }
    auto put = [out](char16_t unit) {
        if (out != nullptr) {
            out->push_back(unit);
        }
    };
    if (out == nullptr) {
        // Only where the text ends matters: at the first end character after an even run of
        // backslashes (escapes never take a backslash or an end character but the one right
        // after their own backslash). Every value of a file is checked so when it is loaded.
        for (size_t at = pos;;) {
            size_t found = text.find(end, at);
            if (found == std::string_view::npos) {
                return false;
            }
            size_t slashes = 0;
            while (found - slashes > pos && text[found - slashes - 1] == '\\') {
                ++slashes;
            }
            if (slashes % 2 == 0) {
                pos = found + 1;
                return true;
            }
            at = found + 1;
        }
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    while (pos < text.size()) {
        // The plain characters up to the next escape or the end, taken in one go: most of a
        // registry file is such runs, and every value is read when the file is loaded.
        size_t stop = pos;
        while (stop < text.size() && text[stop] != end && text[stop] != '\\') {
            ++stop;
        }
        if (out != nullptr) {
            // Widened in place: appending the byte range would build a temporary text first.
            size_t at = out->size();
            out->resize(at + (stop - pos));
            std::copy(bytes + pos, bytes + stop, out->begin() + static_cast<std::ptrdiff_t>(at));
        }
        pos = stop;
        if (pos >= text.size()) {
            return false;
        }
        if (text[pos] == end) {
            ++pos;
            return true;
        }
        ++pos;
        if (pos >= text.size()) {
            return false;
        }
        char e = text[pos];
        switch (e) {
            case 'a':
                put(u'\a');
                ++pos;
                break;
            case 'b':
                put(u'\b');
                ++pos;
                break;
            case 'e':
                put(0x1B);
                ++pos;
                break;
            case 'f':
                put(u'\f');
                ++pos;
                break;
            case 'n':
                put(u'\n');
                ++pos;
                break;
            case 'r':
                put(u'\r');
                ++pos;
                break;
            case 't':
                put(u'\t');
                ++pos;
                break;
            case 'v':
                put(u'\v');
                ++pos;
                break;
            case 'x': {
                ++pos;
                uint32_t unit = 0;
                if (!ParseHexNumber(text, pos, 4, unit)) {
                    put(u'x');  // a lone "\x" stands for the letter
                } else {
                    put(static_cast<char16_t>(unit));
                }
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    uint32_t unit = 0;
                    for (int i = 0;
                         i < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++i) {
                        unit = unit * 8 + static_cast<uint32_t>(text[pos] - '0');
                        ++pos;
                    }
                    put(static_cast<char16_t>(unit));
                } else {
                    put(static_cast<unsigned char>(e));
                    ++pos;
                }
                break;
        }
    }
    return false;
}

}  // namespace

bool ParseEscaped(std::string_view text, size_t& pos, char end, std::u16string& out) {
    return ReadEscaped(text, pos, end, &out);
}

void AppendEscaped(std::string& out, std::u16string_view units, const char* escape) {
    static const char kEscapes[33] = ".......abtnvfr.............e....";
    char buffer[16];
    for (size_t i = 0; i < units.size(); ++i) {
        char16_t c = units[i];
        bool hasNext = i + 1 < units.size();
        if (c > 127) {
            bool hexFollows =
                hasNext && units[i + 1] < 128 && HexDigit(static_cast<char>(units[i + 1])) >= 0;
            std::snprintf(buffer, sizeof buffer, hexFollows ? "\\x%04x" : "\\x%x",
                          static_cast<unsigned>(c));
            out += buffer;
            continue;
        }
        if (c < 32) {
            if (kEscapes[c] != '.') {
                out.push_back('\\');
                out.push_back(kEscapes[c]);
            } else {
                bool octalFollows = hasNext && units[i + 1] >= u'0' && units[i + 1] <= u'7';
                std::snprintf(buffer, sizeof buffer, octalFollows ? "\\%03o" : "\\%o",
                              static_cast<unsigned>(c));
                out += buffer;
            }
            continue;
        }
        char ch = static_cast<char>(c);
        if (ch == '\\' || ch == escape[0] || ch == escape[1]) {
            out.push_back('\\');
        }
        out.push_back(ch);
    }
}

namespace {

// Parses a value line; with check set only its form is checked and value stays empty.
bool ReadValueLine(std::string_view line, HiveValueText& value, bool check) {
    value = HiveValueText{};
    size_t pos = 0;
    if (line.empty()) {
        return false;
    }
    if (line[0] == '@') {
        pos = 1;
    } else if (line[0] == '"') {
        pos = 1;
        if (!ReadEscaped(line, pos, '"', check ? nullptr : &value.name)) {
            return false;
        }
    } else {
        return false;
    }
    pos = SkipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') {
        return false;
    }
    pos = SkipBlanks(line, pos + 1);
    std::string_view rest = line.substr(pos);
    std::u16string text;
    uint32_t type = kRegSz;
    if (rest.substr(0, 4) == "str(") {
        pos += 3;
        if (!ParseTypeSuffix(line, pos, type) || pos >= line.size() || line[pos] != '"') {
            return false;
        }
        rest = line.substr(pos);
    }
    if (!rest.empty() && rest[0] == '"') {
        ++pos;
        if (!ReadEscaped(line, pos, '"', check ? nullptr : &text) || !OnlyBlanksFrom(line, pos)) {
            return false;
        }
        value.type = type;
        if (!check) {
            text.push_back(u'\0');
            value.data = WideToBytes(text);
        }
        return true;
    }
    if (rest.substr(0, 6) == "dword:") {
        pos += 6;
        uint32_t number = 0;
        if (!ParseHexNumber(line, pos, 8, number) || !OnlyBlanksFrom(line, pos)) {
            return false;
        }
        value.type = kRegDword;
        for (int i = 0; i < 4; ++i) {
            value.data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
        }
        return true;
    }
    if (rest.substr(0, 3) == "hex") {
        pos += 3;
        value.type = kRegBinary;
        if (pos < line.size() && line[pos] == '(') {
            if (!ParseTypeSuffix(line, pos, value.type)) {
                return false;
            }
        } else if (pos < line.size() && line[pos] == ':') {
            ++pos;
        } else {
            return false;
        }
        return ParseHexList(line, pos, value.data);
    }
    return false;
}

}  // namespace

bool ParseValueLine(std::string_view line, HiveValueText& value) {
    return ReadValueLine(line, value, false);
}

bool ParseValueName(std::string_view line, std::u16string& name) {
    name.clear();
    if (!line.empty() && line[0] == '@') {
        return true;
    }
    size_t pos = 1;
    return !line.empty() && line[0] == '"' && ReadEscaped(line, pos, '"', &name);
}

bool PlainValueName(std::string_view line, std::string_view& name) {
    size_t end = line.size() > 1 && line[0] == '"' ? line.find('"', 1) : std::string_view::npos;
    if (end == std::string_view::npos) {
        return false;
    }
    for (size_t i = 1; i < end; ++i) {
        auto c = static_cast<unsigned char>(line[i]);
        if (c == '\\' || c - 0x20u > 0x5Eu) {  // a backslash, a control or a non-ASCII byte
            return false;
        }
    }
    name = line.substr(1, end - 1);
    return true;
}

bool CheckValueLine(std::string_view line) {
    // Most values of a file are strings: their form is told by where their quotes end.
    size_t pos = 1;
    if (!line.empty() &&
        (line[0] == '@' || (line[0] == '"' && ReadEscaped(line, pos, '"', nullptr)))) {
        size_t equals = SkipBlanks(line, pos);
        size_t text =
            equals < line.size() && line[equals] == '=' ? SkipBlanks(line, equals + 1) : 0;
        if (text != 0 && text < line.size() && line[text] == '"') {
            pos = text + 1;
            return ReadEscaped(line, pos, '"', nullptr) && OnlyBlanksFrom(line, pos);
        }
    }
    HiveValueText unused;
    return ReadValueLine(line, unused, true);
}

void AppendHexByte(std::string& out, char byte) {
    static const char kDigits[] = "0123456789abcdef";
    auto b = static_cast<unsigned char>(byte);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
}

std::string FormatValueLines(const HiveValueText& value) {
    std::string out;
    if (value.name.empty()) {
        out.append("@=");
    } else {
        out.push_back('"');
        AppendEscaped(out, value.name, "\"\"");
        out += "\"=";
    }
    const std::string& data = value.data;
    char buffer[32];
    if (IsTextRegType(value.type)) {
        std::u16string text = BytesToWide(data);
        bool terminated = data.size() >= 2 && data.size() % 2 == 0 && text.back() == u'\0';
        if (terminated) {
            if (value.type != kRegSz) {
                std::snprintf(buffer, sizeof buffer, "str(%x):", static_cast<unsigned>(value.type));
                out += buffer;
            }
            out.push_back('"');
            text.pop_back();
            AppendEscaped(out, text, "\"\"");
            out += "\"\n";
            return out;
        }
    } else if (value.type == kRegDword && data.size() == 4) {
        out += "dword:";
        for (int i = 3; i >= 0; --i) {
            AppendHexByte(out, data[i]);
        }
        out.push_back('\n');
        return out;
    }
    if (value.type == kRegBinary) {
        out += "hex:";
    } else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(value.type));
        out += buffer;
    }
    // Lines are broken as the files' own writer breaks them, so rewritten values look alike.
    size_t count = out.size();
    for (size_t i = 0; i < data.size(); ++i) {
        AppendHexByte(out, data[i]);
        count += 2;
        if (i + 1 < data.size()) {
            out.push_back(',');
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out.push_back('\n');
    return out;
}

bool ParseKeyLine(std::string_view line, std::u16string& path) {
    if (line.empty() || line[0] != '[') {
        return false;
    }
    size_t pos = 1;
    if (!ParseEscaped(line, pos, ']', path)) {
        return false;
    }
    pos = SkipBlanks(line, pos);
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
        ++pos;
    }
    return OnlyBlanksFrom(line, pos);
}

std::string FormatKeyLines(std::u16string_view path, int64_t unixSeconds, uint64_t fileTime) {
    std::string out = "[";
    AppendEscaped(out, path, "[]");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "] %lld\n#time=%x%08x\n",
                  static_cast<long long>(unixSeconds), static_cast<unsigned>(fileTime >> 32),
                  static_cast<unsigned>(fileTime & 0xFFFFFFFFu));
    out += buffer;
    return out;
}

void CurrentRegistryTime(int64_t& unixSeconds, uint64_t& fileTime) {
    using namespace std::chrono;
    auto sinceEpoch = system_clock::now().time_since_epoch();
    unixSeconds = duration_cast<seconds>(sinceEpoch).count();
    auto ticks = duration_cast<nanoseconds>(sinceEpoch).count() / 100;
    fileTime = static_cast<uint64_t>(ticks) + 116444736000000000ull;
}

}  // namespace rivel
