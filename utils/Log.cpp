#include "utils/Log.h"

#include "platform/DebugOutput.h"
#include "platform/FileOpen.h"
#include "utils/TextFormat.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace ZUtils {
namespace {

bool flagFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] == '\0') return false;
    char* end = nullptr;
    const long number = std::strtol(value, &end, 10);
    return end != value && number != 0;
}

int64_t systemClock() { return static_cast<int64_t>(std::time(nullptr)); }

struct LogState {
    std::mutex mutex;
    LogSettings settings = logSettingsFromEnvironment();
    LogClock clock = systemClock;
    LogListener listener = nullptr;
};

// Made at start-up, before every static object without an init priority, and so destroyed after all
// of them: messages logged while other static objects are destroyed still work, and a library
// that is unloaded leaves nothing allocated behind.
__attribute__((init_priority(101))) LogState state;

LogState& logState() {
    return state;
}

}  // namespace

LogSettings logSettingsFromEnvironment() {
    LogSettings settings;
    if (const char* path = std::getenv("ZENTO_LOG_FILE")) settings.filePath = path;
    settings.timeStamps = flagFromEnvironment("ZENTO_LOG_TIMESTAMPS");
    settings.echo = flagFromEnvironment("ZENTO_LOG_ECHO");
    return settings;
}

void setLogSettings(const LogSettings& settings) {
    LogState& state = logState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.settings = settings;
}

LogSettings logSettings() {
    LogState& state = logState();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.settings;
}

void setLogClock(LogClock clock) {
    LogState& state = logState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.clock = clock != nullptr ? clock : systemClock;
}

void setLogListener(LogListener listener) {
    LogState& state = logState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.listener = listener;
}

}  // namespace ZUtils

void logMessage(const char* format, ...) {
    if (format == nullptr) return;
    ZUtils::LogState& state = ZUtils::logState();
    std::lock_guard<std::mutex> lock(state.mutex);
    const ZUtils::LogSettings& settings = state.settings;

    // Opened and closed per message, so the file can be read, moved or deleted between messages.
    FILE* file = settings.filePath.empty() ? nullptr : Platform::openFile(settings.filePath.c_str(), "a");
    const bool marked = format[0] == '#';

    if (settings.timeStamps && (file != nullptr || settings.echo)) {
        const int64_t now = state.clock();
        char date[100];
        char clock[100];
        ZUtils::formatDate(date, sizeof date, now);
        ZUtils::formatClockTime(clock, sizeof clock, now);
        if (file != nullptr) std::fprintf(file, "[%s|%s] ", date, clock);
        if (settings.echo) std::printf("[%s|%s] ", date, clock);
    }

    va_list args;
    va_start(args, format);
    if (marked) {
        char text[1024];
        va_list copy;
        va_copy(copy, args);
        ZUtils::boundedFormatV(text, sizeof text, format, copy);
        va_end(copy);
        Platform::outputDebugString(text);
    }
    // The file and the console get a marked message without its "#".
    const char* body = marked ? format + 1 : format;
    if (file != nullptr) {
        va_list copy;
        va_copy(copy, args);
        std::vfprintf(file, body, copy);
        va_end(copy);
        std::fclose(file);
    }
    if (settings.echo) {
        va_list copy;
        va_copy(copy, args);
        std::vprintf(body, copy);
        va_end(copy);
        std::fflush(stdout);
    }
    if (state.listener != nullptr) {
        char text[1024];
        va_list copy;
        va_copy(copy, args);
        ZUtils::boundedFormatV(text, sizeof text, body, copy);
        va_end(copy);
        state.listener(text);
    }
    va_end(args);
}

void debugPrint(const char* format, ...) {
    if (format == nullptr) return;
    char text[4096] = {};
    va_list args;
    va_start(args, format);
    ZUtils::boundedFormatV(text, sizeof text, format, args);
    va_end(args);
    Platform::outputDebugString(text);
}
