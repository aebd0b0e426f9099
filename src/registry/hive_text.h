// The text forms of registry files: escaped names and strings, key lines, value lines, and the
// conversion between the program's ANSI bytes (Windows-1252) and the UTF-16 text the files hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/windows1252.h"

namespace rivel {

// The value of a hexadecimal digit (either case), or -1.
int HexDigit(char c);

// UTF-16 code units as little-endian bytes (the data of text values) and back; an odd last byte
// is dropped.
std::string WideToBytes(std::u16string_view wide);
std::u16string BytesToWide(std::string_view bytes);

// Names of keys and values compare without regard to case: units folded to upper case, then
// the shorter name first. <0, 0 or >0.
int CompareRegNames(std::u16string_view a, std::u16string_view b);

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
