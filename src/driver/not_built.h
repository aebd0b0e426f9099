// Report for a kind of run that this build does not offer yet.
#pragma once

#include <string>

#include "driver/message_log.h"
#include "driver/run_options.h"

namespace rivel {

inline void ReportRunNotAvailable(const RunOptions& options, const std::string& kind) {
    LogMessage(options.VerboseMode, 1, "Run not available in this build: ", kind);
}

}  // namespace rivel
