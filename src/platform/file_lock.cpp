// The wait for an edit lock.
#include <cstdlib>

#include "platform/environment.h"
#include "platform/file_lock.h"

namespace rivel {

int EditLockWaitSeconds() {
    auto value = GetEnvVar("RIVEL_LOCK_WAIT");
    if (value && !value->empty()) {
        char* end = nullptr;
        long seconds = std::strtol(value->c_str(), &end, 10);
        if (end != nullptr && *end == '\0' && seconds >= 0 && seconds <= 86400) {
            return static_cast<int>(seconds);
        }
    }
    return 30;
}

}  // namespace rivel
