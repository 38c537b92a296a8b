// The debugger output: one process-wide sink for diagnostic text.
#pragma once

#include <functional>

namespace Platform {

// Sends one text to the debugger output. The sink is silent unless the environment variable
// ZENTO_DEBUG_OUTPUT was set at start-up ("stderr" writes to standard error, any other non-empty value
// names a file that each text is appended to) or configureDebugOutput() chose a destination.
// Each text is written in one call; no newline is added. A null text does nothing. On Windows each
// text also goes to OutputDebugStringA, the debugger's own output.
void outputDebugString(const char* text);

// Chooses the destination as ZENTO_DEBUG_OUTPUT does: null or empty silences the sink, "stderr" selects
// standard error, anything else is the path of a file opened for appending (a file that cannot be
// opened silences the sink).
void configureDebugOutput(const char* setting);

// While a hook is installed, every text goes to it instead of the configured destination; an empty
// hook restores the destination. The hook is called under the sink's lock: it must not write to the
// debugger output itself.
using DebugOutputHook = std::function<void(const char* text)>;
void setDebugOutputHook(DebugOutputHook hook);

}  // namespace Platform
