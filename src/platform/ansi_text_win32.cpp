// Unicode to the system's ANSI code page.
#include "platform/ansi_text.h"

#include <windows.h>

namespace rivel {

std::string UnicodeToAnsi(std::u16string_view text) {
    if (text.empty()) {
        return "";
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    int units = static_cast<int>(text.size());
    int size = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, "?", nullptr);
    std::string ansi(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_ACP, 0, wide, units, ansi.data(), size, "?", nullptr);
    }
    return ansi;
}

}  // namespace rivel
