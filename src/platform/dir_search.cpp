// Wildcard matching shared by both platforms' directory searches.
#include "platform/dir_search.h"

namespace rivel {

static char Folded(char c, bool ignoreCase) {
    return ignoreCase && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool WildcardMatchCase(const std::string& pattern, const std::string& name, bool ignoreCase) {
    // Iterative matcher with one backtrack point: linear in practice, never recursive.
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || Folded(pattern[p], ignoreCase) == Folded(name[n], ignoreCase))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace rivel
