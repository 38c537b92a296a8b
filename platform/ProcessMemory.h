#pragma once

namespace Platform {

// The resident memory of the calling process (its working set) in bytes; false when it cannot be
// queried.
bool workingSetBytes(long long& bytes);

// The physical memory that new allocations can take without swapping (free memory plus caches the
// system can drop) in bytes; false when it cannot be queried.
bool availablePhysicalBytes(long long& bytes);

}  // namespace Platform
