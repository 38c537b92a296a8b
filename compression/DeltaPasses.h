// Delta passes over the integers of a quantised zone: a sequence (one axis) or a box (three axes, x
// fastest). Pass p replaces every value from index p on along an axis by its difference to the value
// before it; decoding undoes the passes in reverse order with prefix sums. Arithmetic wraps at 32 bits.
#pragma once

#include <cstdint>

namespace FMRUtils {

// Applies passes 1 .. passes: for each pass and axis, line[i] -= line[i - 1] for i from the end down to
// the pass number.
void ApplyDeltaPasses(int32_t* values, const int64_t* size, int axes, int passes);

// Undoes them: for pass = passes .. 1 and each axis in order (x, y, z), line[i] += line[i - 1] for i
// from the pass number up. Values below the pass number on each line stay as they are.
void UndoDeltaPasses(int32_t* values, const int64_t* size, int axes, int passes);

}  // namespace FMRUtils
