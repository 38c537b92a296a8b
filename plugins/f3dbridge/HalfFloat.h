// Conversions between IEEE half bit patterns and floats, exactly as Imath (and so Field3D) makes
// them, without Imath's library.
#pragma once

#define IMATH_HALF_NO_LOOKUP_TABLE
#include <Imath/half.h>

#include <cstdint>

#pragma GCC visibility push(hidden)

namespace F3dBridge {

inline float halfToFloat(uint16_t bits) { return imath_half_to_float(bits); }
inline uint16_t floatToHalf(float value) { return imath_float_to_half(value); }

}  // namespace F3dBridge

#pragma GCC visibility pop
