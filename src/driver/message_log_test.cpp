#include "driver/message_log.h"

#include <gtest/gtest.h>

namespace rivel {
namespace {

TEST(MessageLog, PadsLabelsToThirtyColumns) {
    StartLogCapture();
    LogMessage(4, 1, "INI-Scan  : ", "WIN.INI");
    LogMessage(4, 1, "", "x");
    LogMessage(4, 1, std::string(30, 'L'), "t");
    LogMessage(4, 1, std::string(33, 'M'), "t");
    EXPECT_EQ(TakeLogCapture(), "INI-Scan  :                   WIN.INI\n" + std::string(30, ' ') +
                                    "x\n" + std::string(30, 'L') + "t\n" + std::string(33, 'M') +
                                    "t\n");
}

TEST(MessageLog, LevelAboveVerbosityIsSuppressed) {
    StartLogCapture();
    LogMessage(8, 9, "a", "");
    LogMessage(9, 9, "b", "");
    LogMessage(10, 9, "c", "");
    LogText(0, 1, "never");
    LogText(99, 99, "deep");
    std::string got = TakeLogCapture();
    EXPECT_EQ(got.find("a"), std::string::npos);
    EXPECT_NE(got.find("b"), std::string::npos);
    EXPECT_NE(got.find("c"), std::string::npos);
    EXPECT_EQ(got.find("never"), std::string::npos);
    EXPECT_NE(got.find("deep\n"), std::string::npos);
}

TEST(MessageLog, PositionLinePutsTheCaretUnderTheCharacter) {
    StartLogCapture();
    LogMessagePos(4, 1, "Missing ) in if line : ", "(A", 2, "Pos");
    LogMessagePos(4, 1, "x", "abc", 0, "Pos");
    std::string pad = std::string(27, ' ');
    EXPECT_EQ(TakeLogCapture(), "Missing ) in if line :        (A\nPos" + pad + ">>^\nx" +
                                    std::string(29, ' ') + "abc\nPos" + pad + "^\n");
}

}  // namespace
}  // namespace rivel
