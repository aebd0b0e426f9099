// Text from a C format and its arguments, for the fixed message and value layouts that are
// given as printf formats.
#pragma once

#include <cstdio>
#include <string>

namespace rivel {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    int size = std::snprintf(nullptr, 0, format, args...);
    if (size <= 0) {
        return std::string();
    }
    std::string text(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<size_t>(size));
    return text;
}

}  // namespace rivel
