// Test helpers: capture what the two log sinks write, set environment variables for a while.
#pragma once

#include "platform/DebugOutput.h"
#include "tests/platform/ScratchDirectory.h"
#include "utils/Log.h"

#include <cstdlib>
#include <ctime>
#include <vector>

namespace TestSupport {

// Every text sent to the debugger output while the object lives.
struct DebugOutputCapture {
    DebugOutputCapture() { Platform::setDebugOutputHook([this](const char* text) { texts.emplace_back(text); }); }
    ~DebugOutputCapture() { Platform::setDebugOutputHook(nullptr); }
    std::vector<std::string> texts;
};

// Sends logMessage to a scratch file (or none) while the object lives, then restores the settings and clock.
struct LogCapture {
    explicit LogCapture(bool stamps = false, bool echo = false, bool toFile = true) {
        ZUtils::setLogSettings({toFile ? path : "", stamps, echo});
    }
    ~LogCapture() { ZUtils::setLogSettings(previous); ZUtils::setLogClock(nullptr); }
    std::string text() const { return readFile(path); }
    const ZUtils::LogSettings previous = ZUtils::logSettings();
    ScratchDirectory directory;
    const std::string path = directory / "log";
};

// Sets (null: clears) an environment variable while the object lives; reloads the time zone, which TZ selects.
struct ScopedEnvironment {
    ScopedEnvironment(const char* name, const char* value)
        : name(name), previous(std::getenv(name) ? std::getenv(name) : ""), had(std::getenv(name)) { set(value); }
    ~ScopedEnvironment() { set(had ? previous.c_str() : nullptr); }
    void set(const char* value) { value ? setenv(name.c_str(), value, 1) : unsetenv(name.c_str()); tzset(); }
    const std::string name, previous;
    const bool had;
};

constexpr int64_t kMarch7th2018 = 1520413503;  // 2018-03-07 09:05:03 UTC

}  // namespace TestSupport
