#include "base/message_log.h"

#include <gtest/gtest.h>

namespace rivel {
namespace {

TEST(MessageLog, PadsLabelsToThirtyColumns) {
    MessageLog log;
    StartLogCapture(log);
    LogMessage(log, 4, 1, "INI-Scan  : ", "WIN.INI");
    LogMessage(log, 4, 1, "", "x");
    LogMessage(log, 4, 1, std::string(30, 'L'), "t");
    LogMessage(log, 4, 1, std::string(33, 'M'), "t");
    EXPECT_EQ(TakeLogCapture(log), "INI-Scan  :                   WIN.INI\n" +
                                       std::string(30, ' ') + "x\n" + std::string(30, 'L') + "t\n" +
                                       std::string(33, 'M') + "t\n");
}

TEST(MessageLog, LevelAboveVerbosityIsSuppressed) {
    MessageLog log;
    StartLogCapture(log);
    LogMessage(log, 8, 9, "a", "");
    LogMessage(log, 9, 9, "b", "");
    LogMessage(log, 10, 9, "c", "");
    LogText(log, 0, 1, "never");
    LogText(log, 99, 99, "deep");
    std::string got = TakeLogCapture(log);
    EXPECT_EQ(got.find("a"), std::string::npos);
    EXPECT_NE(got.find("b"), std::string::npos);
    EXPECT_NE(got.find("c"), std::string::npos);
    EXPECT_EQ(got.find("never"), std::string::npos);
    EXPECT_NE(got.find("deep\n"), std::string::npos);
}

TEST(MessageLog, PositionLinePutsTheCaretUnderTheCharacter) {
    MessageLog log;
    StartLogCapture(log);
    LogMessagePos(log, 4, 1, "Missing ) in if line : ", "(A", 2, "Pos");
    LogMessagePos(log, 4, 1, "x", "abc", 0, "Pos");
    std::string pad = std::string(27, ' ');
    EXPECT_EQ(TakeLogCapture(log), "Missing ) in if line :        (A\nPos" + pad + ">>^\nx" +
                                       std::string(29, ' ') + "abc\nPos" + pad + "^\n");
}

}  // namespace
}  // namespace rivel
