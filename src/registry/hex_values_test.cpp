#include "registry/hex_values.h"

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace rivel {
namespace {

TEST(HexValues, BinaryTexts) {
    struct Case {
        const char* text;
        uint32_t type;
        std::string bytes;
        bool valid;
        std::string bad;
    };
    const Case cases[] = {
        {"hex:01,ab,FF", kRegBinary, std::string("\x01\xab\xff", 3), true, ""},
        {"hex:0102", kRegBinary, "\x01", true, ""},  // no comma: the value ends after a pair
        {"hex:", kRegBinary, "", true, ""},
        {"hex:01,", kRegBinary, "\x01", true, ""},
        {"hex(2):41,00", kRegExpandSz, std::string("A\0", 2), true, ""},
        {"hex(7):61,00,00", kRegMultiSz, std::string("a\0\0", 3), true, ""},
        {"hex(b):00", 0xb, std::string("\0", 1), true, ""},
        {"hex:01, 02", kRegBinary, "", false, " "},
        {"hex:0", kRegBinary, "", false, ""},  // second digit missing at the end
        {"hex:0g", kRegBinary, "", false, "g"},
    };
    for (const Case& c : cases) {
        HexValue v = ParseHexBytes(c.text);
        EXPECT_EQ(v.type, c.type) << c.text;
        EXPECT_EQ(v.bytes, c.bytes) << c.text;
        EXPECT_EQ(v.valid, c.valid) << c.text;
        EXPECT_EQ(v.badCharacter, c.bad) << c.text;
    }
    uint32_t type = 0;
    size_t prefix = 0;
    EXPECT_FALSE(IsHexValueText("HEX:01", type, prefix));
    EXPECT_FALSE(IsHexValueText("hex():01", type, prefix));
    EXPECT_FALSE(IsHexValueText("hex(2:01", type, prefix));
}

TEST(HexValues, DwordTexts) {
    EXPECT_EQ(ParseHexDword("dword:0000ffff").bytes, std::string("\xff\xff\0\0", 4));
    EXPECT_EQ(ParseHexDword("dword:00000001").bytes, std::string("\x01\0\0\0", 4));
    EXPECT_EQ(ParseHexDword("dword:1").bytes, std::string("\x01\0\0\0", 4));
    for (const char* bad : {"dword:", "dword:123456789", "dword:00x0", "dword:-1"}) {
        HexValue v = ParseHexDword(bad);
        EXPECT_FALSE(v.valid) << bad;
        EXPECT_TRUE(v.bytes.empty()) << bad;
    }
    EXPECT_EQ(ParseHexDword("dword:00x0").badCharacter, "x");
}

}  // namespace
}  // namespace rivel
