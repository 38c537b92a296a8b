#include "platform/DynamicLibrary.h"

#include <windows.h>

namespace Platform {

// Library paths are taken in the system's ANSI code page, as LoadLibraryA and _access read them.
LibraryHandle loadLibrary(const char* path) {
    if (path == nullptr) return nullptr;
    return reinterpret_cast<LibraryHandle>(LoadLibraryA(path));
}

ProcAddress findSymbol(LibraryHandle library, const char* name) {
    if (library == nullptr || name == nullptr) return nullptr;
    return reinterpret_cast<ProcAddress>(GetProcAddress(static_cast<HMODULE>(library), name));
}

bool freeLibrary(LibraryHandle library) {
    return library != nullptr && FreeLibrary(static_cast<HMODULE>(library)) != 0;
}

}  // namespace Platform
