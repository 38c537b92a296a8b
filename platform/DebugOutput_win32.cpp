#include "platform/DebugOutput.h"

#include "platform/WideText_win32.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace Platform {
namespace {

struct DebugOutputSink {
    std::mutex mutex;
    HANDLE destination = nullptr;  // null when only the debugger hears the texts
    bool ownsDestination = false;  // true for a file opened here
    DebugOutputHook hook;

    DebugOutputSink() {
        const wchar_t* setting = _wgetenv(L"ZENTO_DEBUG_OUTPUT");
        configure(setting != nullptr ? fromWide(setting).c_str() : nullptr);
    }
    ~DebugOutputSink() {
        if (ownsDestination) CloseHandle(destination);
        destination = nullptr;
    }

    // Caller holds the mutex (or is the constructor).
    void configure(const char* setting) {
        if (ownsDestination) CloseHandle(destination);
        destination = nullptr;
        ownsDestination = false;
        if (setting == nullptr || setting[0] == '\0') return;
        if (std::strcmp(setting, "stderr") == 0) {
            destination = GetStdHandle(STD_ERROR_HANDLE);
            if (destination == INVALID_HANDLE_VALUE) destination = nullptr;
            return;
        }
        // Appending access alone: every write lands at the end, also with other writers.
        HANDLE file = CreateFileW(toWide(setting).c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        destination = file;
        ownsDestination = true;
    }

    void write(const char* text) const {
        size_t length = std::strlen(text);
        while (length > 0) {
            const DWORD chunk = length > 0x40000000u ? 0x40000000u : static_cast<DWORD>(length);
            DWORD written = 0;
            if (!WriteFile(destination, text, chunk, &written, nullptr) || written == 0) return;
            text += written;
            length -= written;
        }
    }
};

// Made at start-up, before every static object without an init priority, and so destroyed after all
// of them: messages written while other static objects are destroyed still arrive, and a library
// that is unloaded leaves nothing allocated (or open) behind.
__attribute__((init_priority(101))) DebugOutputSink sinkInstance;

DebugOutputSink& sink() { return sinkInstance; }

}  // namespace

void outputDebugString(const char* text) {
    if (text == nullptr) return;
    DebugOutputSink& s = sink();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.hook) {
        s.hook(text);
        return;
    }
    OutputDebugStringA(text);
    if (s.destination != nullptr) s.write(text);
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
