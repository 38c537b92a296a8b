#pragma once

#include <cstdio>

namespace Platform {

// Opens a file through the C runtime with an fopen mode ("rb", "a", ...). The path is UTF-8 text;
// on Windows it is converted to UTF-16 and opened with _wfopen, so that any name can be reached.
// Null on failure (errno tells why) or for a null argument. Close with std::fclose.
std::FILE* openFile(const char* path, const char* mode);

}  // namespace Platform
