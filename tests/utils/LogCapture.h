// Test helpers: capture what the two log sinks write, set environment variables for a while.
#pragma once

#include "platform/DebugOutput.h"
#include "tests/platform/ScratchDirectory.h"
#include "utils/Log.h"

#include <cstdlib>
#include <ctime>
#include <string>
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
    explicit LogCapture(bool timeStamps = false, bool echo = false, bool toFile = true) {
        ZUtils::setLogSettings({toFile ? path : "", timeStamps, echo});
    }
    ~LogCapture() { ZUtils::setLogSettings(previous); ZUtils::setLogClock(nullptr); }
    std::string text() const { return readFile(path); }
    const ZUtils::LogSettings previous = ZUtils::logSettings();
    ScratchDirectory directory;
    const std::string path = directory / "log";
};

// Sets (null: clears) an environment variable while the object lives; reloads the time zone, which TZ selects.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name), m_had(std::getenv(name)) {
        if (m_had) m_previous = std::getenv(name);
        set(value);
    }
    ~ScopedEnvironment() { set(m_had ? m_previous.c_str() : nullptr); }

private:
    void set(const char* value) { value ? setenv(m_name.c_str(), value, 1) : unsetenv(m_name.c_str()); tzset(); }
    std::string m_name, m_previous;
    bool m_had;
};

constexpr int64_t kMarch7th2018 = 1520413503;  // 2018-03-07 09:05:03 UTC

}  // namespace TestSupport
