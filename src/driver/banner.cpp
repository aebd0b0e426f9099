// The banner line: the program's notice, version and date.
#include "driver/banner.h"

#include "base/message_log.h"

namespace rivel {

std::string BannerLine() {
    const int major = 3;
    const char* minor = "01";
    return "RIVEL configuration file maintenance V" + std::to_string(major) + "." + minor +
           "  1996.06.01";
}

void WriteBanner(RunContext& run) {
    WriteConsoleLine(run.log, BannerLine());
}

}  // namespace rivel
