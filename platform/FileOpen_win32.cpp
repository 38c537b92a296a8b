#include "platform/FileOpen.h"

#include "platform/WideText_win32.h"

#include <cstdio>

namespace Platform {

std::FILE* openFile(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    return _wfopen(toWide(path).c_str(), toWide(mode).c_str());
}

}  // namespace Platform
