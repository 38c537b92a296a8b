#include "platform/FileReplace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace Platform {

int syncFile(const char* path) {
    if (!path) return EINVAL;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int result = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    return result;
}

int replaceFile(const char* source, const char* destination) {
    if (!source || !destination) return EINVAL;
    return std::rename(source, destination) == 0 ? 0 : errno;
}

}  // namespace Platform
