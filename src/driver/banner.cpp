// The banner line: the program's notice, version and date.
#include "driver/banner.h"

#include "base/message_log.h"

namespace rivel {

std::string VersionText() {
    const int major = 3;
    const char* minor = "01";
    return std::to_string(major) + "." + minor;
}

std::string ReleaseDate() {
    return "1996.06.01";
}

std::string BannerLine() {
    return "RIVEL configuration file maintenance V" + VersionText() + "  " + ReleaseDate();
}

void WriteBanner(RunContext& run) {
    WriteConsoleLine(run.log, BannerLine());
}

}  // namespace rivel
