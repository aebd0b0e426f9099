// UTF-16 and UTF-8 from and to the ANSI code page, the program's text on Windows.
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

bool TextIsUtf8() {
    return false;
}

// UTF-8 goes through UTF-16 on its way to and from the code page.
bool Utf8ToText(std::string_view bytes, std::string& out) {
    if (bytes.empty()) {
        return true;
    }
    if (bytes.size() > INT_MAX) {
        return false;
    }
    const int count = static_cast<int>(bytes.size());
    int needed =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count, nullptr, 0);
    if (needed <= 0) {
        return false;
    }
    std::u16string units(static_cast<size_t>(needed), u'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count,
                            reinterpret_cast<wchar_t*>(units.data()), needed) != needed) {
        return false;
    }
    return Utf16ToText(units, out);
}

bool TextToUtf8(std::string_view text, std::string& out) {
    std::u16string units;
    if (!TextToUtf16(text, units)) {
        return false;
    }
    if (units.empty()) {
        return true;
    }
    if (units.size() > INT_MAX / 4) {
        return false;
    }
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(units.data());
    const int count = static_cast<int>(units.size());
    int needed = WideCharToMultiByte(CP_UTF8, 0, wide, count, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return false;
    }
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(needed));
    if (WideCharToMultiByte(CP_UTF8, 0, wide, count, &out[at], needed, nullptr, nullptr) !=
        needed) {
        out.resize(at);
        return false;
    }
    return true;
}

}  // namespace rivel
