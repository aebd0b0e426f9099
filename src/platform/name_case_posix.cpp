// POSIX file names and commands are case-sensitive.
#include "platform/name_case.h"

namespace rivel {

bool FileNamesIgnoreCase() {
    return false;
}

}  // namespace rivel
