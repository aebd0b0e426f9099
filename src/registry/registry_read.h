// Read access to the registry for the registry system variables: root keys by name, subkeys,
// string values and the enumeration of values and subkeys. Where the program has no registry
// store, no root key can be opened and every lookup fails.
#pragma once

#include <cstdint>
#include <string>

#include "base/run_context.h"

namespace rivel {

// An open key; 0 is no key.
struct RegistryKey {
    uint64_t handle = 0;
};

enum class RegistryAccess { Read, QueryValues, EnumerateSubKeys };

enum class RegistryValueType { String, ExpandString, Other };

// True when name is one of the root key names, written exactly so (HKEY_CLASSES_ROOT,
// HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_PERFORMANCE_DATA,
// HKEY_PERFORMANCE_TEXT, HKEY_PERFORMANCE_NLSTEXT).
bool IsRootKeyName(const std::string& name);

// Opens the root key of that name. An unknown name is reported at level 6 ("RootKey not
// supported"). False when the key cannot be opened.
bool OpenRegistryRoot(RunContext& run, const RunOptions& options, const std::string& name,
                      RegistryKey& key);

// Opens subKey below parent ("" is parent itself) with the given access.
bool OpenRegistrySubKey(const RegistryKey& parent, const std::string& subKey, RegistryAccess access,
                        RegistryKey& key);

// Reads a value ("" is the default value). False when it is missing or longer than maxBytes.
bool QueryRegistryValue(const RegistryKey& key, const std::string& name, size_t maxBytes,
                        RegistryValueType& type, std::string& data);

// The value at index (name, type and up to maxBytes of data); false past the last one.
bool EnumRegistryValue(const RegistryKey& key, uint32_t index, size_t maxBytes, std::string& name,
                       RegistryValueType& type, std::string& data);

// The name of the subkey at index; false past the last one.
bool EnumRegistrySubKey(const RegistryKey& key, uint32_t index, std::string& name);

void CloseRegistryKey(RegistryKey& key);

}  // namespace rivel
