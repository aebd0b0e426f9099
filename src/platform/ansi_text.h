// Unicode text turned into the program's ANSI text for the registry: the ANSI code page on
// Windows; on other platforms Windows-1252, as the registry files of the store read ANSI bytes.
#pragma once

#include <string>
#include <string_view>

namespace rivel {

// UTF-16 code units to ANSI bytes; a character the code page cannot show becomes "?".
std::string UnicodeToAnsi(std::u16string_view text);

}  // namespace rivel
