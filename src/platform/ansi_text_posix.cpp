// Unicode to ANSI without a system code page: the Windows-1252 rule of the registry store.
#include "platform/ansi_text.h"

#include "platform/windows1252.h"

namespace rivel {

std::string UnicodeToAnsi(std::u16string_view text) {
    return WideToAnsi(text);
}

}  // namespace rivel
