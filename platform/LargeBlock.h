#pragma once

#include <cstddef>

namespace Platform {

// Memory for a large array that is filled right after it is allocated (an expanded grid channel).
// Where the system offers large pages on request, blocks of 2 MB and more ask for them, which
// spares most of the page faults of first use. Null when the memory cannot be obtained; the
// contents are undefined. Release with std::free.
void* allocateLargeBlock(std::size_t bytes);

}  // namespace Platform
