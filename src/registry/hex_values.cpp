// Binary and DWORD value texts turned into registry data.
#include "registry/hex_values.h"

#include "platform/registry.h"
#include "registry/hive_text.h"

namespace rivel {

namespace {

HexValue Invalid(uint32_t type, std::string_view text, size_t pos) {
    HexValue value;
    value.type = type;
    value.valid = false;
    if (pos < text.size()) {
        value.badCharacter.assign(1, text[pos]);
    }
    return value;
}

}  // namespace

bool IsHexValueText(std::string_view text, uint32_t& type, size_t& prefixLength) {
    if (text.substr(0, 4) == "hex:") {
        type = kRegBinary;
        prefixLength = 4;
        return true;
    }
    if (text.substr(0, 4) != "hex(") {
        return false;
    }
    uint32_t number = 0;
    size_t pos = 4;
    while (pos < text.size() && pos < 12 && HexDigit(text[pos]) >= 0) {
        number = number * 16 + static_cast<uint32_t>(HexDigit(text[pos]));
        ++pos;
    }
    if (pos == 4 || text.substr(pos, 2) != "):") {
        return false;
    }
    type = number;
    prefixLength = pos + 2;
    return true;
}

HexValue ParseHexBytes(std::string_view text) {
    HexValue value;
    size_t pos = 0;
    if (!IsHexValueText(text, value.type, pos)) {
        return Invalid(kRegBinary, text, 0);
    }
    while (pos < text.size()) {
        int high = HexDigit(text[pos]);
        if (high < 0) {
            return Invalid(value.type, text, pos);
        }
        int low = pos + 1 < text.size() ? HexDigit(text[pos + 1]) : -1;
        if (low < 0) {
            return Invalid(value.type, text, pos + 1);
        }
        value.bytes.push_back(static_cast<char>(high * 16 + low));
        pos += 2;
        if (pos >= text.size() || text[pos] != ',') {
            break;
        }
        ++pos;
    }
    return value;
}

HexValue ParseHexDword(std::string_view text) {
    HexValue value;
    value.type = kRegDword;
    size_t pos = 6;
    uint32_t number = 0;
    size_t digits = 0;
    while (pos < text.size() && HexDigit(text[pos]) >= 0) {
        if (++digits > 8) {
            return Invalid(kRegDword, text, pos);
        }
        number = number * 16 + static_cast<uint32_t>(HexDigit(text[pos]));
        ++pos;
    }
    if (digits == 0 || pos < text.size()) {
        return Invalid(kRegDword, text, pos);
    }
    for (int i = 0; i < 4; ++i) {
        value.bytes.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
    }
    return value;
}

}  // namespace rivel
