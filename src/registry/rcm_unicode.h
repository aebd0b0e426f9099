// RCM files in Unicode: what today's registry editors export ("Windows Registry Editor Version
// 5.00", UTF-16LE with a byte-order mark) is read as the ANSI text of the other RCM files.
#pragma once

#include <string>
#include <string_view>

namespace rivel {

// The text after a byte-order mark of UTF-16LE, UTF-16BE or UTF-8 as UTF-16 code units; false
// (text untouched) when bytes begin with none. An odd last byte of UTF-16 and bytes that are not
// UTF-8 become U+FFFD.
bool DecodeUnicodeFile(std::string_view bytes, std::u16string& text);

}  // namespace rivel
