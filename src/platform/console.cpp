// Console services common to both platforms.
#include <cstdio>
#include <ctime>

#include "platform/console.h"

namespace rivel {

std::string TimeText(const std::tm& time) {
    // asctime's fixed form as the system's C library writes it (the day with two digits),
    // without its fixed-size static buffer.
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int day = time.tm_wday >= 0 ? time.tm_wday % 7 : 0;
    const int month = time.tm_mon >= 0 ? time.tm_mon % 12 : 0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3s %.3s %.2d %.2d:%.2d:%.2d %d\n", days[day],
                  months[month], time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec,
                  1900 + time.tm_year);
    return buffer;
}

std::string LocalTimeText() {
    std::time_t now = std::time(nullptr);
    std::tm* local = std::localtime(&now);
    if (local == nullptr) {
        return "\n";
    }
    return TimeText(*local);
}

}  // namespace rivel
