// Windows-1252, the ANSI code page that the registry store converts the program's bytes with:
// bytes to UTF-16 code units and back, the same on every platform.
#pragma once

#include <string>
#include <string_view>

namespace rivel {

// ANSI bytes to UTF-16 code units, one unit per byte (NUL bytes included).
std::u16string AnsiToWide(std::string_view ansi);
// UTF-16 code units to ANSI bytes; a unit that Windows-1252 cannot show becomes "?".
std::string WideToAnsi(std::u16string_view wide);

}  // namespace rivel
