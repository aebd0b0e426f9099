// Placeholder until the INI run is built.
#include "inicmd/cmd_reader.h"

#include "driver/not_built.h"

namespace rivel {

void RunIniCommands(RunOptions& options, const std::string&, const std::string&) {
    ReportRunNotAvailable(options, "INI run");
}

}  // namespace rivel
