// The registry a run works on: the system registry where the platform has one, else the store of
// registry files (RIVEL_REGISTRY, WINEPREFIX or the user's own store). Chosen on first use and
// kept in the run context, so that RCM files and registry variables see the same changes.
#pragma once

#include <string>

#include "base/run_context.h"
#include "platform/registry.h"

namespace rivel {

RegistryService& RunRegistry(RunContext& run, const RunOptions& options);

}  // namespace rivel
