// Placeholder until wildcard expansion and the GRP run are built: one call, no expansion.
#include "driver/expand_files.h"

#include "driver/not_built.h"

namespace rivel {

void ExpandFiles(RunOptions& options, const std::string& name1, const std::string& name2,
                 PerFileOperation operation) {
    operation(options, name1, name2);
}

void ProcessGrpCmd(RunOptions& options, const std::string&, const std::string&) {
    ReportRunNotAvailable(options, "GRP run");
}

}  // namespace rivel
