#pragma once

#include <cstdio>

namespace Platform {

// A shared lock over the whole of an open file, taken without waiting (LockFileEx with
// LOCKFILE_FAIL_IMMEDIATELY on Windows). Any number of readers share it; it cannot be taken while
// another process holds an exclusive lock on the file. The file must be open for reading.
// Returns false when the lock cannot be taken.
bool lockFileShared(std::FILE* file);

// Releases the lock taken by lockFileShared; false when that fails.
bool unlockFile(std::FILE* file);

}  // namespace Platform
