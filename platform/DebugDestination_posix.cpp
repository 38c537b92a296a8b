#include "platform/DebugDestination.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace Platform {

std::string DebugDestination::initialSetting() {
    const char* setting = std::getenv("ZENTO_DEBUG_OUTPUT");
    return setting != nullptr ? setting : "";
}

void DebugDestination::toDebugger(const char*) {}

void DebugDestination::useStandardError() {
    close();
    m_handle = STDERR_FILENO;
}

void DebugDestination::openFile(const char* path) {
    close();
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    m_handle = fd;
    m_owned = true;
}

void DebugDestination::close() {
    if (m_owned) ::close(static_cast<int>(m_handle));
    m_handle = -1;
    m_owned = false;
}

void DebugDestination::write(const char* text) const {
    if (m_handle < 0) return;
    size_t length = std::strlen(text);
    // Resumes after interrupted or partial writes.
    while (length > 0) {
        const ssize_t written = ::write(static_cast<int>(m_handle), text, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        text += written;
        length -= static_cast<size_t>(written);
    }
}

}  // namespace Platform
