// A debugging aid that looks for writes into freed heap blocks.
#pragma once

namespace ZUtils {

// Status returned when the runtime library offers no walk over its heap's free blocks (glibc does not).
constexpr int kHeapWalkUnavailable = -7;

// Walks the runtime's heap where the platform offers a walk, testing that every byte of each free block
// still holds the fill value 0xFA, and reports each modified block through debugPrint. Returns the
// walk's final status; on this platform there is no walk and it returns kHeapWalkUnavailable without
// touching the heap.
int checkHeap();

}  // namespace ZUtils
