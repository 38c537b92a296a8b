#pragma once

namespace Platform {

// The resident memory of the calling process (its working set) in bytes; false when it cannot be
// queried.
bool workingSetBytes(long long& bytes);

}  // namespace Platform
