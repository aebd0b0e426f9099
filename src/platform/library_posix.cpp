// POSIX library loading: dlopen/dlsym/dlclose.
#include <dlfcn.h>

#include "platform/library.h"

namespace rivel {

LibraryHandle OpenLibrary(const std::string& fileName) {
    return ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindSymbol(LibraryHandle library, const std::string& name) {
    return library == nullptr ? nullptr : ::dlsym(library, name.c_str());
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) {
        ::dlclose(library);
    }
}

}  // namespace rivel
