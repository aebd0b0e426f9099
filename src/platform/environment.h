// The process environment: read and set variables that later lookups and started programs see.
#pragma once

#include <optional>
#include <string>

namespace rivel {

// The value of the variable, or nothing when it is not defined (an empty value is defined).
std::optional<std::string> GetEnvVar(const std::string& name);

// Sets the variable in the program's own environment, replacing an existing one.
void PutEnvVar(const std::string& name, const std::string& value);

// Removes the variable (used by tests to set up a controlled environment).
void RemoveEnvVar(const std::string& name);

}  // namespace rivel
