// Constant-run coding of the non-negative integers of a quantised zone: a run of equal values becomes
// the value followed by one negative marker, -r standing for r further copies of the value before it.
#pragma once

#include <cstdint>

namespace FMRUtils {

// Compacts the n values of `src` into `dst` (which may be `src` itself: the output never runs ahead of
// the input). A run of L equal values stays as it is when L <= K and becomes the value followed by
// -(L - 1) when L > K (K below 1 counts as 1; a run too long for one marker continues as a new
// literal). Returns the number of values written, 0 when n <= 0.
int64_t CompactRuns(const int32_t* src, int32_t* dst, int64_t n, int K);

}  // namespace FMRUtils
