// POSIX has no system registry: the program keeps one in registry files instead.
#include "platform/registry.h"

namespace rivel {

std::shared_ptr<RegistryService> OpenSystemRegistry() {
    return nullptr;
}

}  // namespace rivel
