// Where the debugger output's texts go besides the debugger itself: standard error, a file opened for
// appending, or nowhere. Used by the debugger output's sink, under its lock.
#pragma once

#include <cstdint>
#include <string>

namespace Platform {

class DebugDestination {
public:
    DebugDestination() = default;
    ~DebugDestination() { close(); }
    DebugDestination(const DebugDestination&) = delete;
    DebugDestination& operator=(const DebugDestination&) = delete;

    // The setting in ZENTO_DEBUG_OUTPUT at start-up; empty when it is not set.
    static std::string initialSetting();
    // Hands a text to the system's debugger, where there is one (Windows); nothing elsewhere.
    static void toDebugger(const char* text);

    void useStandardError();
    // Opens the file for appending; left with no destination when it cannot be opened.
    void openFile(const char* path);
    // Closes a file opened here; afterwards texts go nowhere.
    void close();
    // Writes the whole text, or as much as the destination takes.
    void write(const char* text) const;

private:
    intptr_t m_handle = -1;  // a descriptor, or a HANDLE on Windows; -1 for none
    bool m_owned = false;    // a file opened here
};

}  // namespace Platform
