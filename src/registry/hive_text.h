// The text forms of registry files: escaped names and strings, key lines, value lines, and the
// conversion between the program's ANSI bytes (Windows-1252) and the UTF-16 text the files hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/windows1252.h"

namespace rivel {

// The value of a hexadecimal digit (either case), or -1.
int HexDigit(char c);
// Appends byte as two lower-case hexadecimal digits.
void AppendHexByte(std::string& out, char byte);

// UTF-16 code units as little-endian bytes (the data of text values) and back; an odd last byte
// is dropped.
std::string WideToBytes(std::u16string_view wide);
std::u16string BytesToWide(std::string_view bytes);

// A unit of a name folded to upper case, as the registry compares names. Every letter of the
// ANSI code page is folded with its other case: besides ASCII and Latin-1 these are the pairs
// the code page holds beyond U+00FF (0x8A/0x9A, 0x8C/0x9C, 0x8E/0x9E, 0x9F/0xFF).
inline char16_t FoldRegUnit(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return static_cast<char16_t>(c - 32);
    }
    switch (c) {
        case 0xFF:
            return 0x178;
        case 0x153:  // oe ligature
        case 0x161:  // s with caron
            return static_cast<char16_t>(c - 1);
        case 0x17E:  // z with caron
            return 0x17D;
        default:
            return c;
    }
}

// Names of keys and values compare without regard to case: units folded to upper case, then
// the shorter name first. <0, 0 or >0. Either name may also be plain ASCII bytes as a file
// holds them (one unit a byte), so that names read from a file need not be widened to compare.
template <class A, class B>
int CompareRegUnits(A a, B b) {
    auto unit = [](auto c) {
        return static_cast<char16_t>(static_cast<std::make_unsigned_t<decltype(c)>>(c));
    };
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        char16_t x = unit(a[i]);
        char16_t y = unit(b[i]);
        if (x == y) {
            continue;  // the common case, without the folding
        }
        x = FoldRegUnit(x);
        y = FoldRegUnit(y);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

inline int CompareRegNames(std::u16string_view a, std::u16string_view b) {
    return CompareRegUnits(a, b);
}

// Reads escaped text from text[pos] up to the unescaped character end, which is consumed.
// False when the text ends before it.
bool ParseEscaped(std::string_view text, size_t& pos, char end, std::u16string& out);

// Writes units escaped so that ParseEscaped reads them back; the two characters in escape are
// also protected by a backslash.
void AppendEscaped(std::string& out, std::u16string_view units, const char* escape);

// One value of a registry file: its name, type and data as the registry holds them (text types as
// UTF-16 little-endian bytes, normally with a terminating NUL unit).
struct HiveValueText {
    std::u16string name;
    uint32_t type = 0;
    std::string data;
};

// Parses one value line (continued hex lines already joined, without the line end). False when
// the line is not a well-formed value.
bool ParseValueLine(std::string_view line, HiveValueText& value);
// Only the name of a value line ("" for "@"); false when the line does not start like a value.
bool ParseValueName(std::string_view line, std::u16string& name);
// The name of a value line as it stands between its quotes, when it is plain printable ASCII
// without escapes (what nearly every name is): then it needs no decoding. False otherwise.
bool PlainValueName(std::string_view line, std::string_view& name);
// The same check without keeping the value (faster, for files read whole).
bool CheckValueLine(std::string_view line);

// The value in the form that the registry files write, with its line ends ("\n"); long hex lines
// are continued with ",\" and two blanks.
std::string FormatValueLines(const HiveValueText& value);

// Parses a key line '[path\\with\\escapes] 1234'. The path comes back unescaped, its components
// separated by single backslashes. The number after "]" is optional. False when malformed.
bool ParseKeyLine(std::string_view line, std::u16string& path);

// The key line of path with its modification time in seconds since 1970, then the "#time=" line
// (100-ns ticks since 1601) for the same moment.
std::string FormatKeyLines(std::u16string_view path, int64_t unixSeconds, uint64_t fileTime);

// Now as seconds since 1970 and as 100-ns ticks since 1601.
void CurrentRegistryTime(int64_t& unixSeconds, uint64_t& fileTime);

}  // namespace rivel
