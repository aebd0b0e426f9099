// Registry keys written out as REGEDIT4 text: what a preview compares before and after a run.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"

namespace rivel {

// The name of a predefined root handle ("HKEY_LOCAL_MACHINE"), "" for any other handle.
std::string RegRootName(RegKey root);
// The predefined root named exactly so; false for any other name.
bool RegRootFromName(const std::string& name, RegKey& root);

// The keys (full paths "HKEY_LOCAL_MACHINE\Software\Firm") as a REGEDIT4 file: the signature,
// then each key that exists, in order of path without regard to case, with its values in order of
// name. A key that does not exist is left out, so a deleted key shows as lines gone.
std::string ExportRegistryKeys(RegistryService& reg, const std::vector<std::string>& paths);

}  // namespace rivel
