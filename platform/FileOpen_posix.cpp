#include "platform/FileOpen.h"

namespace Platform {

std::FILE* openFile(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    return std::fopen(path, mode);
}

}  // namespace Platform
