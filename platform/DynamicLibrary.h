#pragma once

// Plug-in candidates are tested for existence with pathExists (the `_access(path, 0)` test).
#include "platform/FileSystem.h"

namespace Platform {

// An open shared library (HMODULE on Windows); null when none.
using LibraryHandle = void*;

// The address of a function exported by a library (FARPROC on Windows); cast it to the function's type.
using ProcAddress = void (*)();

// Loads a shared library by path (LoadLibraryA), resolving all its symbols at once. A name without a
// directory is looked for along the system's library search path. Null on failure or for a null path.
LibraryHandle loadLibrary(const char* path);

// The exported function of that name (GetProcAddress); null when absent or for null arguments.
ProcAddress findSymbol(LibraryHandle library, const char* name);

// Drops one reference to the library (FreeLibrary); false on failure or for a null handle.
bool freeLibrary(LibraryHandle library);

}  // namespace Platform
