// Byte-order marks and the decoding of UTF-16 and UTF-8 file contents.
#include "registry/rcm_unicode.h"

#include <cstdint>

namespace rivel {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void DecodeUtf16(std::string_view bytes, bool bigEndian, std::u16string& text) {
    text.reserve(bytes.size() / 2);
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        auto first = static_cast<unsigned char>(bytes[i]);
        auto second = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(
            static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    if (i < bytes.size()) {
        text.push_back(kReplacement);
    }
}

void DecodeUtf8(std::string_view bytes, std::u16string& text) {
    constexpr size_t kBad = 9;
    constexpr uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};  // shorter forms are not characters
    text.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        auto lead = static_cast<unsigned char>(bytes[i]);
        size_t more = lead < 0x80   ? 0
                      : lead < 0xC2 ? kBad
                      : lead < 0xE0 ? 1
                      : lead < 0xF0 ? 2
                      : lead < 0xF5 ? 3
                                    : kBad;
        bool good = more != kBad && i + more < bytes.size();
        uint32_t code = good ? lead & (0x7Fu >> (more == 0 ? 0 : more + 1)) : 0;
        for (size_t k = 1; good && k <= more; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + k]);
            good = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        good =
            good && code >= kLeast[more] && code <= 0x10FFFF && (code < 0xD800 || code >= 0xE000);
        if (!good) {
            text.push_back(kReplacement);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
        i += more + 1;
    }
}

}  // namespace

bool DecodeUnicodeFile(std::string_view bytes, std::u16string& text) {
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        DecodeUtf16(bytes.substr(2), false, text);
    } else if (bytes.substr(0, 2) == "\xFE\xFF") {
        DecodeUtf16(bytes.substr(2), true, text);
    } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        DecodeUtf8(bytes.substr(3), text);
    } else {
        return false;
    }
    return true;
}

}  // namespace rivel
