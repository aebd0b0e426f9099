// The predefined root handles, shared by every registry service.
#include "platform/registry.h"

namespace rivel {

bool IsPredefinedRegKey(RegKey key) {
    switch (key) {
        case kHkeyClassesRoot:
        case kHkeyCurrentUser:
        case kHkeyLocalMachine:
        case kHkeyUsers:
        case kHkeyPerformanceData:
        case kHkeyPerformanceText:
        case kHkeyPerformanceNlsText:
            return true;
        default:
            return false;
    }
}

}  // namespace rivel
