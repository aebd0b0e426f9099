// POSIX environment access.
#include "platform/environment.h"

#include <cstdlib>

namespace rivel {

std::optional<std::string> GetEnvVar(const std::string& name) {
    if (name.empty() || name.find('=') != std::string::npos ||
        name.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

void PutEnvVar(const std::string& name, const std::string& value) {
    // setenv refuses names with "=" and cannot carry NUL bytes; such names are left alone.
    if (name.empty() || name.find('=') != std::string::npos ||
        name.find('\0') != std::string::npos) {
        return;
    }
    std::string v = value.substr(0, value.find('\0'));
    ::setenv(name.c_str(), v.c_str(), 1);
}

void RemoveEnvVar(const std::string& name) {
    if (!name.empty()) {
        ::unsetenv(name.c_str());
    }
}

}  // namespace rivel
