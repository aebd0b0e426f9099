// Unified diffs of two texts, as `diff -u` writes them: what a preview run shows instead of
// changing a file.
#pragma once

#include <string>

namespace rivel {

// The diff of before against after under the header lines "--- name" and "+++ name", with hunks
// of three lines of context. Empty when the texts are the same.
std::string UnifiedDiff(const std::string& name, const std::string& before,
                        const std::string& after);

}  // namespace rivel
