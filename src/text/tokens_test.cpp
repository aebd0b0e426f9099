#include "text/tokens.h"

#include <gtest/gtest.h>

namespace rivel {
namespace {

struct Token {
    std::string text;
    size_t next;
};

Token Read(std::string_view line, size_t at = 0) {
    RunContext run;
    RunOptions o;
    std::string text = GetSToken(run, o, line, at);
    return {text, at};
}

TEST(GetSToken, LeadingBlanksGiveAnEmptyToken) {
    Token t = Read("  abc");
    EXPECT_EQ(t.text, "");
    EXPECT_EQ(t.next, 2u);
}

TEST(GetSToken, QuotedTokensKeepBlanksAndParentheses) {
    Token t = Read("\"a b\" c");
    EXPECT_EQ(t.text, "a b");
    EXPECT_EQ(t.next, 6u);
    EXPECT_EQ(Read("\"x) y\"").text, "x) y");
    Token open = Read("\"abc");
    EXPECT_EQ(open.text, "abc");
    EXPECT_EQ(open.next, 4u);
    Token empty = Read("\"\" z");
    EXPECT_EQ(empty.text, "");
    EXPECT_EQ(empty.next, 3u);
}

TEST(GetSToken, UnquotedTokenEndsAfterTheFirstParenthesis) {
    Token t = Read("MEMBER(GROUP) x");
    EXPECT_EQ(t.text, "MEMBER(GROUP)");
    EXPECT_EQ(t.next, 14u);
    Token q = Read("a)\"b");
    EXPECT_EQ(q.text, "a)");
    EXPECT_EQ(q.next, 3u);
    Token r = Read("(A)B");
    EXPECT_EQ(r.text, "(A)");
    EXPECT_EQ(r.next, 3u);
    EXPECT_EQ(Read("ab\"c d").text, "ab\"c");
}

TEST(GetSToken, PositionPastTheEndIsSafe) {
    Token t = Read("abc", 10);
    EXPECT_EQ(t.text, "");
    EXPECT_EQ(t.next, 3u);
}

TEST(NextWord, ReadsUpToABlankAndSkipsTheBlanksAfter) {
    size_t p = 0;
    EXPECT_EQ(NextWord("ENDIF  x", p), "ENDIF");
    EXPECT_EQ(p, 7u);
    EXPECT_EQ(NextWord("ENDIF  x", p), "x");
    EXPECT_EQ(p, 8u);
    EXPECT_EQ(NextWord("ENDIF  x", p), "");
    p = 0;
    EXPECT_EQ(NextWord(" \tIF(EXIST a", p), "");
    EXPECT_EQ(p, 2u);
    EXPECT_EQ(NextWord(" \tIF(EXIST a", p), "IF(EXIST");
}

}  // namespace
}  // namespace rivel
