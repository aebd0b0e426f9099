// Conversion between UTF-16 and the program's own text, for files stored in UTF-16: the program
// works on UTF-8 on POSIX and on the ANSI code page on Windows.
#pragma once

#include <string>
#include <string_view>

namespace rivel {

// Appends the text of the UTF-16 code units to out. False when a unit cannot be represented
// (an unpaired surrogate, or a character the code page lacks); out is then incomplete.
bool Utf16ToText(std::u16string_view units, std::string& out);

// Appends the UTF-16 code units of text to out. False when the text holds bytes that are not
// valid in the program's encoding.
bool TextToUtf16(std::string_view text, std::u16string& out);

// True when the program's text is UTF-8 itself, so that a UTF-8 file holds it as it is.
bool TextIsUtf8();

// Appends the text of UTF-8 bytes to out. False when the bytes are not UTF-8 or hold a character
// the program's text lacks; out is then incomplete.
bool Utf8ToText(std::string_view bytes, std::string& out);

// Appends the UTF-8 bytes of text to out. False when the text holds bytes that are not valid in
// the program's encoding.
bool TextToUtf8(std::string_view text, std::string& out);

}  // namespace rivel
