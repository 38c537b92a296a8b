// The per-process debug log file: "zento_dbg_log_<id>" in the temporary directory.
#pragma once

#include <string>

namespace ZUtils {

// The path of the debug log file with the given id.
std::string debugLogFilePath(int id);

// Creates the file, or empties it when it exists; false when it cannot be created.
bool startDebugLogFile(int id);

// Appends a printf-style message (at most 1023 characters, no newline added) to the file; a file that
// cannot be opened drops the message.
void appendDebugLogFile(int id, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace ZUtils
