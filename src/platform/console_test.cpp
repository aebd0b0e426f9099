#include "platform/console.h"

#include <gtest/gtest.h>

namespace rivel {
namespace {

// The log header and the GRI header write the day of the month with two digits, as the
// system's C library does: Sat Jun 01, not Sat Jun  1.
std::tm At(int year, int month, int day, int weekday, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_wday = weekday;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

TEST(TimeText, DayOfTheMonthHasTwoDigits) {
    EXPECT_EQ(TimeText(At(1996, 6, 1, 6, 11, 48, 39)), "Sat Jun 01 11:48:39 1996\n");
    EXPECT_EQ(TimeText(At(2026, 12, 31, 4, 0, 5, 9)), "Thu Dec 31 00:05:09 2026\n");
}

}  // namespace
}  // namespace rivel
