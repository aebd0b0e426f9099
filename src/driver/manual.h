// The manual page (roff, for man(1)) made from the help text, so that it says what the help
// screens say.
#pragma once

#include <string>

namespace rivel {

// The whole manual page rivel.1.
std::string ManualPage();

}  // namespace rivel
