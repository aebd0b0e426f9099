// UTF-16 and UTF-8 from and to the ANSI code page, the program's text on Windows.
#include "platform/text_encoding.h"

#include <windows.h>

#include <climits>

namespace rivel {

namespace {

// Appends the UTF-16 units of bytes in the code page to out; false (out unchanged) when the
// bytes are not valid there.
bool ToUnits(UINT codePage, std::string_view bytes, std::u16string& out) {
    if (bytes.empty()) {
        return true;
    }
    if (bytes.size() > INT_MAX) {
        return false;
    }
    const int count = static_cast<int>(bytes.size());
    int needed =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), count, nullptr, 0);
    if (needed <= 0) {
        return false;
    }
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(needed));
    int written = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), count,
                                      reinterpret_cast<wchar_t*>(&out[at]), needed);
    if (written != needed) {
        out.resize(at);
        return false;
    }
    return true;
}

// Appends the bytes of units in the code page to out; false (out unchanged) when the ANSI code
// page lacks a character (no look-alike is put in its place).
bool FromUnits(UINT codePage, std::u16string_view units, std::string& out) {
    if (units.empty()) {
        return true;
    }
    if (units.size() > INT_MAX / 4) {
        return false;
    }
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(units.data());
    const int count = static_cast<int>(units.size());
    // UTF-8 holds every character, and takes neither flag nor default-character test.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    int needed = WideCharToMultiByte(codePage, flags, wide, count, nullptr, 0, nullptr, used);
    if (needed <= 0 || usedDefault) {
        return false;
    }
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(needed));
    int written =
        WideCharToMultiByte(codePage, flags, wide, count, &out[at], needed, nullptr, used);
    if (written != needed || usedDefault) {
        out.resize(at);
        return false;
    }
    return true;
}

}  // namespace

bool Utf16ToText(std::u16string_view units, std::string& out) {
    return FromUnits(CP_ACP, units, out);
}

bool TextToUtf16(std::string_view text, std::u16string& out) {
    return ToUnits(CP_ACP, text, out);
}

bool TextIsUtf8() {
    return false;
}

// UTF-8 goes through UTF-16 on its way to and from the code page.
bool Utf8ToText(std::string_view bytes, std::string& out) {
    std::u16string units;
    return ToUnits(CP_UTF8, bytes, units) && FromUnits(CP_ACP, units, out);
}

bool TextToUtf8(std::string_view text, std::string& out) {
    std::u16string units;
    return ToUnits(CP_ACP, text, units) && FromUnits(CP_UTF8, units, out);
}

}  // namespace rivel
