#include "text/strings.h"

#include <gtest/gtest.h>

namespace rivel {
namespace {

TEST(Trim, KeepsTheLastCharacterOfAnAllBlankText) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("   "), " ");
    EXPECT_EQ(Trim("\t \t"), "\t");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(TrimLeft("\t \t"), "\t");
    EXPECT_EQ(TrimLeft("  x "), "x ");
    EXPECT_EQ(TrimRight("\t \t"), "");
    EXPECT_EQ(TrimRight(" x \t"), " x");
    std::string inPlace = " \t x y\t ";
    TrimInPlace(inPlace);
    EXPECT_EQ(inPlace, "x y");
    std::string blanks = " \t ";
    TrimInPlace(blanks);
    EXPECT_EQ(blanks, " ");
}

TEST(Substrings, BoundsNeverFail) {
    EXPECT_EQ(Mid("abcdef", 2, 3), "cde");
    EXPECT_EQ(Mid("abcdef", 4, 10), "ef");
    EXPECT_EQ(Mid("abcdef", 6, 1), "");
    EXPECT_EQ(Mid("abcdef", 1, -1), "bcdef");
}

TEST(FindText, FirstOccurrenceOrMinusOne) {
    EXPECT_EQ(FindText("aab", "ab", 0), 1);
    EXPECT_EQ(FindText("aab", "", 0), -1);
    EXPECT_EQ(FindText("aab", "a", 3), -1);
    EXPECT_EQ(FindText("abab", "ab", 1), 2);
    EXPECT_EQ(FindText("abc", "C", 0), -1);
}

TEST(UpperCase, MapsAsciiLettersOnly) {
    EXPECT_EQ(UpperCase("aZ\xe4\xff-z"), "AZ\xe4\xff-Z");
    EXPECT_TRUE(EqualsIgnoreCase("[Windows]", "[WINDOWS]"));
    EXPECT_FALSE(EqualsIgnoreCase("\xe4", "\xc4"));
}

}  // namespace
}  // namespace rivel
