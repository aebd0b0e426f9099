// The system registry of Windows through the ANSI Reg* functions.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry.h"

namespace rivel {

namespace {

HKEY ToHkey(RegKey key) {
    switch (key) {
        case kHkeyClassesRoot:
            return HKEY_CLASSES_ROOT;
        case kHkeyCurrentUser:
            return HKEY_CURRENT_USER;
        case kHkeyLocalMachine:
            return HKEY_LOCAL_MACHINE;
        case kHkeyUsers:
            return HKEY_USERS;
        case kHkeyPerformanceData:
            return HKEY_PERFORMANCE_DATA;
        case kHkeyPerformanceText:
            return HKEY_PERFORMANCE_TEXT;
        case kHkeyPerformanceNlsText:
            return HKEY_PERFORMANCE_NLSTEXT;
        default:
            return reinterpret_cast<HKEY>(static_cast<uintptr_t>(key));
    }
}

RegKey FromHkey(HKEY key) {
    return static_cast<RegKey>(reinterpret_cast<uintptr_t>(key));
}

REGSAM ToSam(RegAccess access) {
    switch (access) {
        case RegAccess::Read:
            return KEY_READ;
        case RegAccess::QueryValue:
            return KEY_QUERY_VALUE;
        case RegAccess::EnumerateSubKeys:
            return KEY_ENUMERATE_SUB_KEYS;
        case RegAccess::AllAccess:
            break;
    }
    return KEY_ALL_ACCESS;
}

const char* NameOrNull(const std::string& name) {
    return name.empty() ? nullptr : name.c_str();
}

class Win32Registry : public RegistryService {
  public:
    long OpenKey(RegKey parent, const std::string& subKey, RegAccess access,
                 RegKey& result) override {
        HKEY key = nullptr;
        long rc = RegOpenKeyExA(ToHkey(parent), subKey.c_str(), 0, ToSam(access), &key);
        result = rc == ERROR_SUCCESS ? FromHkey(key) : 0;
        return rc;
    }

    long CreateKey(RegKey parent, const std::string& subKey, RegKey& result) override {
        HKEY key = nullptr;
        long rc = RegCreateKeyExA(ToHkey(parent), subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr);
        result = rc == ERROR_SUCCESS ? FromHkey(key) : 0;
        return rc;
    }

    long CloseKey(RegKey key) override {
        if (IsPredefinedRegKey(key)) {
            return ERROR_SUCCESS;
        }
        return RegCloseKey(ToHkey(key));
    }

    long SetValue(RegKey key, const std::string& name, uint32_t type,
                  const std::string& data) override {
        return RegSetValueExA(ToHkey(key), NameOrNull(name), 0, type,
                              reinterpret_cast<const BYTE*>(data.data()),
                              static_cast<DWORD>(data.size()));
    }

    long SetStoredValue(RegKey key, const std::string& name, uint32_t type,
                        const std::string& data) override {
        std::wstring wide;
        if (!name.empty()) {
            int count = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()),
                                            nullptr, 0);
            if (count <= 0) {
                return ERROR_INVALID_PARAMETER;
            }
            wide.resize(static_cast<size_t>(count));
            MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(),
                                count);
        }
        return RegSetValueExW(ToHkey(key), name.empty() ? nullptr : wide.c_str(), 0, type,
                              reinterpret_cast<const BYTE*>(data.data()),
                              static_cast<DWORD>(data.size()));
    }

    long QueryValue(RegKey key, const std::string& name, size_t maxBytes, uint32_t& type,
                    std::string& data) override {
        std::vector<BYTE> buffer(maxBytes + 1);
        DWORD size = static_cast<DWORD>(maxBytes);
        DWORD valueType = REG_NONE;
        long rc = RegQueryValueExA(ToHkey(key), NameOrNull(name), nullptr, &valueType,
                                   buffer.data(), &size);
        type = valueType;
        data.assign(rc == ERROR_SUCCESS ? reinterpret_cast<const char*>(buffer.data()) : "",
                    rc == ERROR_SUCCESS ? size : 0);
        return rc;
    }

    long DeleteValue(RegKey key, const std::string& name) override {
        return RegDeleteValueA(ToHkey(key), NameOrNull(name));
    }

    long DeleteKey(RegKey key, const std::string& subKey) override {
        return RegDeleteKeyA(ToHkey(key), subKey.c_str());
    }

    long EnumValue(RegKey key, uint32_t index, size_t maxBytes, std::string& name, uint32_t& type,
                   std::string& data) override {
        std::vector<char> nameBuffer(maxBytes + 1);
        std::vector<BYTE> dataBuffer(maxBytes + 1);
        DWORD nameSize = static_cast<DWORD>(maxBytes);
        DWORD dataSize = static_cast<DWORD>(maxBytes);
        DWORD valueType = REG_NONE;
        long rc = RegEnumValueA(ToHkey(key), index, nameBuffer.data(), &nameSize, nullptr,
                                &valueType, dataBuffer.data(), &dataSize);
        if (rc == ERROR_MORE_DATA && nameSize <= maxBytes) {
            // The data did not fit: the name and type alone.
            nameSize = static_cast<DWORD>(maxBytes);
            long again = RegEnumValueA(ToHkey(key), index, nameBuffer.data(), &nameSize, nullptr,
                                       &valueType, nullptr, nullptr);
            name.assign(again == ERROR_SUCCESS ? nameBuffer.data() : "",
                        again == ERROR_SUCCESS ? nameSize : 0);
            type = valueType;
            data.clear();
            return rc;
        }
        if (rc != ERROR_SUCCESS) {
            name.clear();
            data.clear();
            return rc;
        }
        name.assign(nameBuffer.data(), nameSize);
        type = valueType;
        data.assign(reinterpret_cast<const char*>(dataBuffer.data()), dataSize);
        return rc;
    }

    long EnumKey(RegKey key, uint32_t index, std::string& name) override {
        // Key names are at most 255 characters.
        std::vector<char> buffer(512);
        DWORD size = static_cast<DWORD>(buffer.size());
        long rc = RegEnumKeyExA(ToHkey(key), index, buffer.data(), &size, nullptr, nullptr, nullptr,
                                nullptr);
        name.assign(rc == ERROR_SUCCESS ? buffer.data() : "", rc == ERROR_SUCCESS ? size : 0);
        return rc;
    }
};

}  // namespace

std::shared_ptr<RegistryService> OpenSystemRegistry() {
    return std::make_shared<Win32Registry>();
}

}  // namespace rivel
