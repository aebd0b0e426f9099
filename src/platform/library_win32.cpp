// Win32 library loading: LoadLibraryA/GetProcAddress/FreeLibrary.
#include <windows.h>

#include "platform/library.h"

namespace rivel {

LibraryHandle OpenLibrary(const std::string& fileName) {
    return reinterpret_cast<LibraryHandle>(LoadLibraryA(fileName.c_str()));
}

void* FindSymbol(LibraryHandle library, const std::string& name) {
    if (library == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) {
        FreeLibrary(static_cast<HMODULE>(library));
    }
}

}  // namespace rivel
