// Registry reads where the program has no registry store: root key names are recognised, but no
// key can be opened, so every registry system variable reports "Can't open rootkey".
#include "registry/registry_read.h"

#include "base/message_log.h"

namespace rivel {

bool IsRootKeyName(const std::string& name) {
    static const char* const kRoots[] = {
        "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE",      "HKEY_USERS",
        "HKEY_PERFORMANCE_DATA", "HKEY_PERFORMANCE_TEXT", "HKEY_PERFORMANCE_NLSTEXT"};
    for (const char* root : kRoots) {
        if (name == root) {
            return true;
        }
    }
    return false;
}

bool OpenRegistryRoot(RunContext& run, const RunOptions& options, const std::string& name,
                      RegistryKey& key) {
    key = RegistryKey{};
    if (!IsRootKeyName(name)) {
        LogMessage(run.log, options.VerboseMode, 6, "RootKey not supported", name);
    }
    return false;
}

bool OpenRegistrySubKey(const RegistryKey&, const std::string&, RegistryAccess, RegistryKey& key) {
    key = RegistryKey{};
    return false;
}

bool QueryRegistryValue(const RegistryKey&, const std::string&, size_t, RegistryValueType& type,
                        std::string& data) {
    type = RegistryValueType::Other;
    data.clear();
    return false;
}

bool EnumRegistryValue(const RegistryKey&, uint32_t, size_t, std::string& name,
                       RegistryValueType& type, std::string& data) {
    name.clear();
    type = RegistryValueType::Other;
    data.clear();
    return false;
}

bool EnumRegistrySubKey(const RegistryKey&, uint32_t, std::string& name) {
    name.clear();
    return false;
}

void CloseRegistryKey(RegistryKey& key) {
    key = RegistryKey{};
}

}  // namespace rivel
