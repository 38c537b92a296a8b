// Putting a finished file in place of another: the last step of writing a file that is complete
// or absent (utils/AtomicFile).
#pragma once

namespace Platform {

// Flushes the file's data and size to the storage device, so that a crash after the file is
// renamed cannot leave it empty. 0 or the system error code.
int syncFile(const char* path);

// Renames source onto destination in one step, replacing an existing destination: a reader sees
// the old file or the new one, never neither or a mix. Both must lie on one file system.
// 0 or the system error code.
int replaceFile(const char* source, const char* destination);

}  // namespace Platform
