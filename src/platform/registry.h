// The registry as one service in the shapes of the Win32 registry functions: keys are opaque
// handles below predefined root handles, every call returns a Win32 error code (0 on success),
// names and string data are bytes of the ANSI code page. The Windows build reaches the system
// registry; the POSIX build has none and uses a store of registry files instead.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace rivel {

// An open key, or one of the predefined roots below. 0 is no key.
using RegKey = uint64_t;

inline constexpr RegKey kHkeyClassesRoot = 0x80000000;
inline constexpr RegKey kHkeyCurrentUser = 0x80000001;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002;
inline constexpr RegKey kHkeyUsers = 0x80000003;
inline constexpr RegKey kHkeyPerformanceData = 0x80000004;
inline constexpr RegKey kHkeyPerformanceText = 0x80000050;
inline constexpr RegKey kHkeyPerformanceNlsText = 0x80000060;

// True for the seven handles above.
bool IsPredefinedRegKey(RegKey key);

// Win32 error codes the service returns.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;
inline constexpr long kErrorBadDb = 1009;
inline constexpr long kErrorKeyDeleted = 1018;

// Value types.
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegLink = 6;
inline constexpr uint32_t kRegMultiSz = 7;

// True for the types whose data is text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ).
inline bool IsTextRegType(uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// The rights asked for when a key is opened.
enum class RegAccess { Read, QueryValue, EnumerateSubKeys, AllAccess };

class RegistryService {
  public:
    virtual ~RegistryService() = default;

    // Opens the existing key subKey ("" = parent itself; components separated by "\").
    virtual long OpenKey(RegKey parent, const std::string& subKey, RegAccess access,
                         RegKey& result) = 0;
    // Opens subKey, creating it and the keys on its way when missing.
    virtual long CreateKey(RegKey parent, const std::string& subKey, RegKey& result) = 0;
    virtual long CloseKey(RegKey key) = 0;

    // Writes a value ("" = the default value). Text types take their data as written, so the
    // terminating NUL is part of data when the caller wants one stored.
    virtual long SetValue(RegKey key, const std::string& name, uint32_t type,
                          const std::string& data) = 0;
    // Writes a value whose data is given as the registry keeps it: text types in UTF-16LE, taken
    // byte for byte without a conversion from ANSI (as the Unicode registry functions take them),
    // so that text the ANSI code page cannot hold, or an odd last byte, is kept.
    virtual long SetStoredValue(RegKey key, const std::string& name, uint32_t type,
                                const std::string& data) = 0;
    // Reads a value's type and data; kErrorMoreData when the data is longer than maxBytes.
    virtual long QueryValue(RegKey key, const std::string& name, size_t maxBytes, uint32_t& type,
                            std::string& data) = 0;
    virtual long DeleteValue(RegKey key, const std::string& name) = 0;
    // Deletes subKey below key; it must have no subkeys of its own (as RegDeleteKey on NT).
    virtual long DeleteKey(RegKey key, const std::string& subKey) = 0;

    // The value at index (name, type, data up to maxBytes); kErrorNoMoreItems past the last.
    // kErrorMoreData when the data does not fit: name and type are then still given (data is
    // empty), unless the name does not fit either.
    virtual long EnumValue(RegKey key, uint32_t index, size_t maxBytes, std::string& name,
                           uint32_t& type, std::string& data) = 0;
    // The name of the subkey at index; kErrorNoMoreItems past the last.
    virtual long EnumKey(RegKey key, uint32_t index, std::string& name) = 0;

    // Makes the changes so far lasting. The system registry does that by itself; a store of
    // files writes the files it changed. kErrorSuccess when there was nothing to write.
    virtual long Flush() { return kErrorSuccess; }
};

// The system registry where the platform has one, else nullptr.
std::shared_ptr<RegistryService> OpenSystemRegistry();

}  // namespace rivel
