#include "platform/DebugOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace Platform {
namespace {

// Writes all bytes of a text to a descriptor, resuming after interrupted or partial writes.
void writeAll(int fd, const char* text, size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, text, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        text += written;
        length -= static_cast<size_t>(written);
    }
}

struct DebugOutputSink {
    std::mutex mutex;
    int fd = -1;             // destination descriptor, -1 when silent
    bool ownsFd = false;     // true for a file opened here
    DebugOutputHook hook;

    DebugOutputSink() { configure(std::getenv("ZENTO_DEBUG_OUTPUT")); }
    ~DebugOutputSink() {
        if (ownsFd) ::close(fd);
        fd = -1;
    }

    // Caller holds the mutex (or is the constructor).
    void configure(const char* setting) {
        if (ownsFd) ::close(fd);
        fd = -1;
        ownsFd = false;
        if (setting == nullptr || setting[0] == '\0') return;
        if (std::strcmp(setting, "stderr") == 0) {
            fd = STDERR_FILENO;
            return;
        }
        fd = ::open(setting, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        ownsFd = fd >= 0;
    }
};

// Made at start-up, before every static object without an init priority, and so destroyed after all
// of them: messages written while other static objects are destroyed still arrive, and a library
// that is unloaded leaves nothing allocated (or open) behind.
__attribute__((init_priority(101))) DebugOutputSink sinkInstance;

DebugOutputSink& sink() {
    return sinkInstance;
}

}  // namespace

void outputDebugString(const char* text) {
    if (text == nullptr) return;
    DebugOutputSink& s = sink();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.hook) {
        s.hook(text);
        return;
    }
    if (s.fd >= 0) writeAll(s.fd, text, std::strlen(text));
}

void configureDebugOutput(const char* setting) {
    DebugOutputSink& s = sink();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.configure(setting);
}

void setDebugOutputHook(DebugOutputHook hook) {
    DebugOutputSink& s = sink();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.hook = std::move(hook);
}

}  // namespace Platform
