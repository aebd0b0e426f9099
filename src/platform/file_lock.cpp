// The wait for an edit lock.
#include <cstdlib>

#include "platform/environment.h"
#include "platform/file_lock.h"

namespace rivel {

namespace {

constexpr const char* kHeldLocksVariable = "RIVEL_HELD_LOCKS";
constexpr char kSeparator = '|';

// What the run that started this process held, as it was when this process began.
const std::string& InheritedLocks() {
    static const std::string inherited = GetEnvVar(kHeldLocksVariable).value_or("");
    return inherited;
}

}  // namespace

bool HeldByStartingRun(const std::string& identity) {
    const std::string& list = InheritedLocks();
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(kSeparator, start);
        if (end == std::string::npos) {
            end = list.size();
        }
        if (end > start && list.compare(start, end - start, identity) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

void PublishHeldLocks(const std::vector<std::string>& identities) {
    std::string value = InheritedLocks();
    for (const std::string& identity : identities) {
        if (!value.empty()) {
            value += kSeparator;
        }
        value += identity;
    }
    if (value.empty()) {
        RemoveEnvVar(kHeldLocksVariable);
    } else {
        PutEnvVar(kHeldLocksVariable, value);
    }
}

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
