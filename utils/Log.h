// The two diagnostic sinks: the loader's log and the debugger-output print.
#pragma once

#include <cstdint>
#include <string>

// The loader's log, printf-style. A message whose format begins with "#" is marked: it goes, "#"
// included, to the debugger output (cut to 1023 characters). Every message is also appended to the log
// file and echoed on standard output when those settings are on, marked ones without their "#",
// after a "[date|clock] " prefix when time stamps are on. A null format does nothing.
void logMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Printf-style text straight to the debugger output, cut to 4095 characters.
void debugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

namespace ZUtils {

// The process-wide settings of logMessage.
struct LogSettings {
    std::string filePath;     // file every message is appended to; empty means none
    bool timeStamps = false;  // prefix "[date|clock] " in the file and on the console
    bool echo = false;        // also print each message on standard output
};

// The settings as the environment gives them: ZENTO_LOG_FILE (path), ZENTO_LOG_TIMESTAMPS and
// ZENTO_LOG_ECHO (on when set to a non-zero number). logMessage starts with these, read at start-up.
LogSettings logSettingsFromEnvironment();

// Replaces or reads the settings in use; safe against concurrent logMessage calls.
void setLogSettings(const LogSettings& settings);
LogSettings logSettings();

// The source of the current time (seconds since the epoch) for the time stamps; null restores the
// system clock. Lets hosts and tests pin the time.
using LogClock = int64_t (*)();
void setLogClock(LogClock clock);

// A function that also receives every message, formatted, without a marking "#" and cut to 1023
// characters, whatever the settings say; null removes it. It is called under the log's lock (so it
// must not log) on the thread that logs, which lets a caller tell its own messages apart.
using LogListener = void (*)(const char* text);
void setLogListener(LogListener listener);

}  // namespace ZUtils
