#include "platform/LargeBlock.h"

#include <cstdlib>

namespace Platform {

// Large pages on Windows need a privilege and VirtualAlloc, whose blocks std::free cannot release:
// blocks come from the ordinary heap.
void* allocateLargeBlock(std::size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }

}  // namespace Platform
