// Placeholder until the GRI compiler is built.
#include "groups/gri_to_grp.h"

#include "driver/not_built.h"

namespace rivel {

void GriToGrp(RunOptions& options, const std::string&, const std::string&) {
    ReportRunNotAvailable(options, "Compile-GRI-file run");
}

}  // namespace rivel
