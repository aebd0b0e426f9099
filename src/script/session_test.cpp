#include "script/session.h"

#include <gtest/gtest.h>

namespace rivel {
namespace {

TEST(Session, OpeningACmdFileRecordsNamesAndClearsTheErrorCode) {
    ResetSession();
    EXPECT_EQ(CurrentIniFile(), "");
    EXPECT_EQ(LastErrorCode(), 0);
    SetLastErrorCode(3);
    SetCurrentFiles("WIN.INI", "SETUP.CMD");
    EXPECT_EQ(CurrentIniFile(), "WIN.INI");
    EXPECT_EQ(CurrentCmdFile(), "SETUP.CMD");
    EXPECT_EQ(LastErrorCode(), 0);
    SetLastErrorCode(-1);
    EXPECT_EQ(LastErrorCode(), -1);
    ResetSession();
    EXPECT_EQ(CurrentCmdFile(), "");
    EXPECT_EQ(LastErrorCode(), 0);
}

}  // namespace
}  // namespace rivel
