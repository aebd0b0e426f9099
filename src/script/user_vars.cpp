// Placeholder until user variables are built: the list is always empty.
#include "script/user_vars.h"

namespace rivel {

void InitValues(const RunOptions&) {}

void FreeValues(const RunOptions&) {}

}  // namespace rivel
