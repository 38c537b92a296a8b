#include "utils/HeapCheck.h"

namespace ZUtils {

// glibc's malloc exposes statistics (mallinfo2, malloc_info) but no enumeration of free blocks and
// their contents, and reading its internal free lists would depend on one allocator version. No block
// is scanned, so nothing can be reported falsely.
int checkHeap() { return kHeapWalkUnavailable; }

}  // namespace ZUtils
