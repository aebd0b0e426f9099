// Run-time loading of a shared library and lookup of its entry points by name.
#pragma once

#include <string>

// The calling convention of the entry points of a library loaded at run time: 32-bit Windows
// libraries export stdcall functions; every other target has one convention.
#if defined(_WIN32) && !defined(_WIN64)
#define RIVEL_LIBRARY_CALL __stdcall
#else
#define RIVEL_LIBRARY_CALL
#endif

namespace rivel {

using LibraryHandle = void*;

// Loads the library by its file name; nullptr when it cannot be loaded.
LibraryHandle OpenLibrary(const std::string& fileName);

// The address of the named entry point, or nullptr when the library lacks it.
void* FindSymbol(LibraryHandle library, const std::string& name);

void CloseLibrary(LibraryHandle library);

}  // namespace rivel
