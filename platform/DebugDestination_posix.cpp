#include "platform/DebugDestination.h"

#include "platform/WriteAll_posix.h"

#include <fcntl.h>
#include <unistd.h>

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
    if (m_handle >= 0) writeAll(static_cast<int>(m_handle), text, std::strlen(text));
}

}  // namespace Platform
