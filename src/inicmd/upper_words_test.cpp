#include "inicmd/upper_words.h"

#include <gtest/gtest.h>

#include <string>

#include "inicmd/list_table.h"
#include "text/strings.h"

namespace rivel {
namespace {

// Texts of every length around the word size, holding every byte value somewhere.
std::string Sample(size_t length, size_t seed) {
    std::string text(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        text[i] = static_cast<char>((seed * 131 + i * 29) & 0xff);
    }
    return text;
}

TEST(UpperWords, AgreeWithUpperCaseOnEveryByteAndLength) {
    for (size_t seed = 0; seed < 64; ++seed) {
        for (size_t length = 0; length <= 19; ++length) {
            const std::string text = Sample(length, seed);
            const std::string upper = UpperCase(text);
            std::string inPlace = text;
            UpperInPlace(inPlace.data(), inPlace.size());
            ASSERT_EQ(inPlace, upper) << seed << " " << length;
            ASSERT_EQ(UpperWordHash(text), WordHash(upper));
            ASSERT_TRUE(IsUpperOf(upper, text));
            if (length > 0) {
                // A difference in any byte (the overlapping loads of a short last word
                // included) is seen.
                for (size_t i = 0; i < length; ++i) {
                    std::string other = upper;
                    other[i] = static_cast<char>(other[i] ^ 1);
                    ASSERT_FALSE(IsUpperOf(other, text)) << length << " at " << i;
                }
                ASSERT_FALSE(IsUpperOf(upper.substr(1), text));
            }
        }
    }
    // Every byte value in every position of a word.
    std::string all(256 + 8, '\0');
    for (size_t i = 0; i < all.size(); ++i) {
        all[i] = static_cast<char>(i & 0xff);
    }
    for (size_t shift = 0; shift < 8; ++shift) {
        const std::string text = all.substr(shift);
        std::string inPlace = text;
        UpperInPlace(inPlace.data(), inPlace.size());
        EXPECT_EQ(inPlace, UpperCase(text));
        EXPECT_TRUE(IsUpperOf(UpperCase(text), text));
        EXPECT_FALSE(IsUpperOf(text, text));
    }
    EXPECT_NE(WordHash(std::string_view("A\0", 2)), WordHash("A"));
}

TEST(UpperWords, InternByFindsTheUpperCaseListFiledByIntern) {
    ListTable table;
    std::string names = "SECTION ONE";
    const uint32_t filed = table.Intern(0, 0, names);
    bool added = true;
    auto intern = [&](std::string_view text) {
        return table.InternBy(
            0, 0, UpperWordHash(text),
            [text](std::string_view kept) { return IsUpperOf(kept, text); },
            [] { return std::string_view("NEW"); }, &added);
    };
    EXPECT_EQ(intern("Section one"), filed);
    EXPECT_FALSE(added);
    const uint32_t made = intern("new");
    EXPECT_TRUE(added);
    EXPECT_EQ(table.Text(made), "NEW");
    EXPECT_EQ(table.Find(0, 0, "NEW"), made);
    EXPECT_EQ(table.Find(0, 0, "SECTION ONE"), filed);
}

}  // namespace
}  // namespace rivel
