#include "platform/LargeBlock.h"

#include <cstdlib>
#include <sys/mman.h>

namespace Platform {

namespace {
constexpr std::size_t LargePage = std::size_t(2) << 20;
}

void* allocateLargeBlock(std::size_t bytes) {
    if (bytes < LargePage)
        return std::malloc(bytes == 0 ? 1 : bytes);
    if (bytes > static_cast<std::size_t>(-1) - LargePage)
        return nullptr;
    const std::size_t rounded = (bytes + LargePage - 1) & ~(LargePage - 1);
    void* block = std::aligned_alloc(LargePage, rounded);
#ifdef MADV_HUGEPAGE
    // A hint only: without large pages the block is used as it is.
    if (block)
        madvise(block, rounded, MADV_HUGEPAGE);
#endif
    return block;
}

}  // namespace Platform
