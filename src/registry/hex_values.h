// The binary and DWORD value texts of registry command lines: "hex:01,ab,ff", "hex(2):41,00"
// and "dword:0000ffff".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rivel {

struct HexValue {
    uint32_t type = 0;         // REG_BINARY for "hex:", N for "hex(N):", REG_DWORD for "dword:"
    std::string bytes;         // the data; empty after an invalid digit
    bool valid = true;         // false when a digit was invalid or missing
    std::string badCharacter;  // the offending character ("" at the end of the text)
};

// True when text begins with "hex:" or "hex(N):" (exact case); prefixLength is then where the
// bytes start.
bool IsHexValueText(std::string_view text, uint32_t& type, size_t& prefixLength);

// Pairs of hex digits, high digit first, separated by ","; any other character after a pair ends
// the value, so 'hex:0102' is one byte. text begins with "hex:" or "hex(N):".
HexValue ParseHexBytes(std::string_view text);

// The hex number after "dword:" (one to eight digits), as the four bytes of a DWORD, least
// significant first.
HexValue ParseHexDword(std::string_view text);

}  // namespace rivel
