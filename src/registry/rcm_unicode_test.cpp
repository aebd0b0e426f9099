#include "registry/rcm_unicode.h"

#include <gtest/gtest.h>

namespace rivel {
namespace {

TEST(DecodeUnicodeFile, ByteOrderMarksOfBothOrdersAndUtf8) {
    std::u16string text;
    EXPECT_FALSE(DecodeUnicodeFile("REGEDIT4\n", text));
    EXPECT_TRUE(text.empty());

    ASSERT_TRUE(DecodeUnicodeFile(std::string("\xFF\xFEW\0\xAC\x20\n\0\x01", 9), text));
    EXPECT_EQ(text, std::u16string(u"W\u20ac\n\uFFFD"));  // the odd last byte
    text.clear();
    ASSERT_TRUE(DecodeUnicodeFile(std::string("\xFE\xFF\0W\x20\xAC", 6), text));
    EXPECT_EQ(text, u"W\u20ac");

    // One to four bytes; a stray continuation byte, an overlong form, a surrogate and a sequence
    // cut short by the end each become one replacement character per byte that starts nothing.
    text.clear();
    ASSERT_TRUE(
        DecodeUnicodeFile("\xEF\xBB\xBF"
                          "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
                          text));
    EXPECT_EQ(text, u"a\u00e9\u20ac\U0001F600");
    text.clear();
    ASSERT_TRUE(
        DecodeUnicodeFile("\xEF\xBB\xBF\x80"
                          "b\xC0\xAF\xED\xA0\x80\xE2\x82",
                          text));
    EXPECT_EQ(text, u"\uFFFDb\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
}

}  // namespace
}  // namespace rivel
