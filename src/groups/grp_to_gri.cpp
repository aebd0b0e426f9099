// Placeholder until the GRP decompiler is built.
#include "groups/grp_to_gri.h"

#include "driver/not_built.h"

namespace rivel {

void GrpToGri(RunOptions& options, const std::string&, const std::string&) {
    ReportRunNotAvailable(options, "Decompile-GRP-file run");
}

}  // namespace rivel
