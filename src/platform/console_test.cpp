#include "platform/console.h"

#include <gtest/gtest.h>

namespace rivel {
namespace {

// The log header and the GRI header write the day of the month with two digits, as the
// system's C library does: Sat Jun 01, not Sat Jun  1.
TEST(TimeText, DayOfTheMonthHasTwoDigits) {
    std::tm time{};
    time.tm_year = 96;
    time.tm_mon = 5;
    time.tm_mday = 1;
    time.tm_wday = 6;
    time.tm_hour = 11;
    time.tm_min = 48;
    time.tm_sec = 39;
    EXPECT_EQ(TimeText(time), "Sat Jun 01 11:48:39 1996\n");
    time.tm_year = 126;
    time.tm_mon = 11;
    time.tm_mday = 31;
    time.tm_wday = 4;
    time.tm_hour = 0;
    time.tm_min = 5;
    time.tm_sec = 9;
    EXPECT_EQ(TimeText(time), "Thu Dec 31 00:05:09 2026\n");
}

}  // namespace
}  // namespace rivel
