// Windows file names and commands ignore case.
#include "platform/name_case.h"

namespace rivel {

bool FileNamesIgnoreCase() {
    return true;
}

}  // namespace rivel
