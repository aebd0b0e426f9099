// Win32 environment access. The C runtime's copy is kept in step with the process environment so
// that getenv, system() and started programs all see the same values.
#include "platform/environment.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

namespace rivel {

static bool ValidName(const std::string& name) {
    return !name.empty() && name.find('=') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::optional<std::string> GetEnvVar(const std::string& name) {
    if (!ValidName(name)) {
        return std::nullopt;
    }
    SetLastError(ERROR_SUCCESS);
    DWORD needed = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (needed == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
            return std::nullopt;
        }
        return std::string();
    }
    std::vector<char> buffer(needed + 1);
    DWORD n =
        GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::string(buffer.data(), n);
}

void PutEnvVar(const std::string& name, const std::string& value) {
    if (!ValidName(name)) {
        return;
    }
    std::string v = value.substr(0, value.find('\0'));
    SetEnvironmentVariableA(name.c_str(), v.c_str());
    _putenv_s(name.c_str(), v.empty() ? "" : v.c_str());
    if (v.empty()) {
        // _putenv_s with an empty value removes the variable; an empty value must stay defined.
        SetEnvironmentVariableA(name.c_str(), "");
    }
}

void RemoveEnvVar(const std::string& name) {
    if (!ValidName(name)) {
        return;
    }
    SetEnvironmentVariableA(name.c_str(), nullptr);
    _putenv_s(name.c_str(), "");
}

}  // namespace rivel
