// Placeholder until ICM files are built.
#include "icmfile/icm_file.h"

#include "driver/not_built.h"

namespace rivel {

void ProcessIcmFile(RunOptions& options, const std::string&) {
    ReportRunNotAvailable(options, "ICM run");
}

}  // namespace rivel
