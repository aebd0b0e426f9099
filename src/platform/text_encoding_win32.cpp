// UTF-16 from and to the ANSI code page, the program's text on Windows.
#include "platform/text_encoding.h"

#include <windows.h>

#include <climits>

namespace rivel {

bool Utf16ToText(std::u16string_view units, std::string& out) {
    if (units.empty()) {
        return true;
    }
    if (units.size() > INT_MAX / 4) {
        return false;
    }
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(units.data());
    const int count = static_cast<int>(units.size());
    BOOL usedDefault = FALSE;
    int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, nullptr, 0, nullptr,
                                     &usedDefault);
    if (needed <= 0 || usedDefault) {
        return false;
    }
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(needed));
    int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, &out[at], needed,
                                      nullptr, &usedDefault);
    if (written != needed || usedDefault) {
        out.resize(at);
        return false;
    }
    return true;
}

bool TextToUtf16(std::string_view text, std::u16string& out) {
    if (text.empty()) {
        return true;
    }
    if (text.size() > INT_MAX) {
        return false;
    }
    const int count = static_cast<int>(text.size());
    int needed = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), count, nullptr, 0);
    if (needed <= 0) {
        return false;
    }
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(needed));
    int written = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), count,
                                      reinterpret_cast<wchar_t*>(&out[at]), needed);
    if (written != needed) {
        out.resize(at);
        return false;
    }
    return true;
}

}  // namespace rivel
