// Placeholder until registry command files are built.
#include "registry/rcm_file.h"

#include "base/message_log.h"

namespace rivel {

void ProcessRcmFile(RunContext& run, RunOptions& options, const std::string&) {
    LogMessage(run.log, options.VerboseMode, 1,
               "Run not available in this build: ", "Registry CMD-file run");
}

}  // namespace rivel
