// Readers of words and tokens in script and command lines.
#pragma once

#include <string>
#include <string_view>

#include "base/run_context.h"

namespace rivel {

// One token of a script or registry line: quoted ("a b") or ended by a blank or after a ")".
// position is where the token starts on entry and where the next one starts on return.
std::string GetSToken(RunContext& run, const RunOptions& options, std::string_view line,
                      size_t& position);

// The characters from position up to the next blank; position then moves past the blanks after it.
std::string NextWord(std::string_view line, size_t& position);

}  // namespace rivel
