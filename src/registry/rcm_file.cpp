// Placeholder until registry command files are built.
#include "registry/rcm_file.h"

#include "driver/not_built.h"

namespace rivel {

void ProcessRcmFile(RunOptions& options, const std::string&) {
    ReportRunNotAvailable(options, "Registry CMD-file run");
}

}  // namespace rivel
