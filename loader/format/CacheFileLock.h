// The open-file registry and the shared lock that a reader holds on a cache file while it reads it.
#pragma once

#include <cstdio>

namespace CacheIO {

// Registers key (the identity of a read: the address of its path text) and takes a shared lock on
// the whole file. A key that is already registered, or a lock that another process's exclusive
// lock prevents, is retried for up to 30 rounds of 200 ms; false when that time runs out (the file
// is left open and the key unregistered).
bool LockCacheFile(FILE* file, const void* key);

// Releases the lock, closes the file and unregisters the key, all three even when one of them
// fails; true when all succeeded.
bool ReleaseCacheFile(FILE* file, const void* key);

}  // namespace CacheIO
