// Console services common to both platforms.
#include <cstdio>
#include <ctime>

#include "platform/console.h"

namespace rivel {

std::string LocalTimeText() {
    std::time_t now = std::time(nullptr);
    std::tm* local = std::localtime(&now);
    if (local == nullptr) {
        return "\n";
    }
    // asctime's fixed form, written without its fixed-size static buffer.
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n",
                  days[local->tm_wday % 7], months[local->tm_mon % 12], local->tm_mday,
                  local->tm_hour, local->tm_min, local->tm_sec, 1900 + local->tm_year);
    return buffer;
}

}  // namespace rivel
