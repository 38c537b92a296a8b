#pragma once

#include <string>

namespace Platform {

// The process's current working directory, without a trailing separator (except for the root);
// empty when it cannot be determined.
std::string currentDirectory();

// The directory for temporary files, always ending in a separator: $TMPDIR when set and not empty,
// otherwise the system's default ("/tmp/"). Like the Windows temporary path, it is reported without
// checking that the directory exists.
std::string temporaryDirectory();

}  // namespace Platform
