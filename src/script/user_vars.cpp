// Placeholder until user variables are built: the list is always empty and lines pass unchanged.
#include "script/user_vars.h"

namespace rivel {

void InitValues(const RunOptions&) {}

void FreeValues(const RunOptions&) {}

std::string ProcessVarline(const RunOptions&, const std::string& line, int) {
    return line;
}

}  // namespace rivel
