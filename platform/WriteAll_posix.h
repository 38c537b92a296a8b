// Writing a whole buffer to a descriptor, for the POSIX services that write files and streams.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace Platform {

// Writes all `size` bytes, resuming after interruptions and short writes; false on an error (errno
// tells which).
inline bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace Platform
