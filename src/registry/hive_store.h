// The registry kept in registry text files (system.reg, user.reg, userdef.reg) in one directory,
// as a Wine prefix keeps it: the registry service of platforms without a registry of their own.
// Files are read when first needed, changed in memory and written back by Flush.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/registry.h"

namespace rivel {

// Receives the store's own reports: level, label and text as for the message log.
using RegistryReport =
    std::function<void(int level, const std::string& label, const std::string& text)>;

// The store's directory: RIVEL_REGISTRY, else WINEPREFIX, else $HOME/.local/share/rivel/registry.
std::string RegistryStoreDirectory();

// True when a wineserver runs for the prefix in directory: it keeps that registry in memory and
// would overwrite what is written to the files.
bool IsWineServerRunning(const std::string& directory);

// A registry service over the files in directory (which need not exist yet).
std::shared_ptr<RegistryService> OpenHiveStore(const std::string& directory, RegistryReport report);

}  // namespace rivel
