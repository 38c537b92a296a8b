#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace Platform {

LibraryHandle loadLibrary(const char* path)
{
    // dlopen(nullptr) would hand out the main program; a null path is simply no library.
    if (!path)
        return nullptr;
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

ProcAddress findSymbol(LibraryHandle library, const char* name)
{
    if (!library || !name)
        return nullptr;
    return reinterpret_cast<ProcAddress>(dlsym(library, name));
}

bool freeLibrary(LibraryHandle library)
{
    return library && dlclose(library) == 0;
}

}  // namespace Platform
