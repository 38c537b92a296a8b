// Test helpers that capture what the two log sinks write.
#pragma once

#include "platform/DebugOutput.h"
#include "utils/Log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace TestSupport {

// A path for a scratch file, unique within this process.
inline std::string scratchPath(const std::string& stem) {
    static int serial = 0;
    return testing::TempDir() + stem + "_" + std::to_string(getpid()) + "_" + std::to_string(++serial);
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every text sent to the debugger output while the object lives.
class DebugOutputCapture {
public:
    DebugOutputCapture() {
        Platform::setDebugOutputHook([this](const char* text) { texts.emplace_back(text); });
    }
    ~DebugOutputCapture() { Platform::setDebugOutputHook(nullptr); }
    std::vector<std::string> texts;
};

// Sends logMessage to a scratch file (no time stamps, no echo) while the object lives; restores the
// previous settings afterwards.
class LogFileCapture {
public:
    explicit LogFileCapture(bool timeStamps = false) : m_previous(ZUtils::logSettings()), m_path(scratchPath("log")) {
        ZUtils::LogSettings settings;
        settings.filePath = m_path;
        settings.timeStamps = timeStamps;
        ZUtils::setLogSettings(settings);
    }
    ~LogFileCapture() {
        ZUtils::setLogSettings(m_previous);
        std::remove(m_path.c_str());
    }
    std::string text() const { return readFile(m_path); }
    const std::string& path() const { return m_path; }

private:
    ZUtils::LogSettings m_previous;
    std::string m_path;
};

// Sets (or, with null, clears) an environment variable while the object lives.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name) {
        const char* previous = std::getenv(name);
        m_had = previous != nullptr;
        if (m_had) m_previous = previous;
        set(value);
    }
    ~ScopedEnvironment() { set(m_had ? m_previous.c_str() : nullptr); }

private:
    void set(const char* value) {
        if (value != nullptr) {
            setenv(m_name.c_str(), value, 1);
        } else {
            unsetenv(m_name.c_str());
        }
    }
    std::string m_name;
    std::string m_previous;
    bool m_had = false;
};

// Runs local-time conversions in a fixed time zone while the object lives.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) : m_zone("TZ", zone) { tzset(); }

private:
    struct Reload {
        ~Reload() { tzset(); }
    } m_reload;  // destroyed after m_zone has restored TZ
    ScopedEnvironment m_zone;
};

// 2018-03-07 09:05:03 UTC.
constexpr int64_t kMarch7th2018 = 1520413503;

}  // namespace TestSupport
