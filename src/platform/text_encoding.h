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

}  // namespace rivel
