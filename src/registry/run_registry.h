// The registry a run works on: the system registry where the platform has one, else the store of
// registry files (RIVEL_REGISTRY, WINEPREFIX or the user's own store). Chosen on first use and
// kept for the whole run, so that RCM files and registry variables see the same changes.
#pragma once

#include <memory>
#include <string>

#include "driver/run_options.h"
#include "platform/registry.h"

namespace rivel {

RegistryService& RunRegistry(const RunOptions& options);

// Writes what the run changed so far (the store of registry files writes its changed files).
void FlushRunRegistry(const RunOptions& options);

// The /r run: applies the RCM file, then makes its changes lasting.
void RunRcmFile(RunOptions& options, const std::string& rcmFile);

// Tests: runs on this registry from now on (nullptr: choose again on next use).
void SetRunRegistry(std::shared_ptr<RegistryService> registry);

}  // namespace rivel
