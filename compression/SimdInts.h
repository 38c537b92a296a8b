// SSE2 helpers for 32-bit integer lanes (x86-64 always has SSE2). Callers keep a scalar path for other
// targets. Integer lane arithmetic wraps, like the codec's 32-bit arithmetic.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

namespace FMRUtils {

inline __m128i LoadInts(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline void StoreInts(void* p, __m128i v) {
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

// Inclusive prefix sums of the four lanes, plus the carry from the lanes before them.
inline __m128i PrefixSum4(__m128i x, __m128i carry) {
    x = _mm_add_epi32(x, _mm_slli_si128(x, 4));
    x = _mm_add_epi32(x, _mm_slli_si128(x, 8));
    return _mm_add_epi32(x, carry);
}

// The last lane in all four lanes: the carry for the next four.
inline __m128i LastLane(__m128i x) {
    return _mm_shuffle_epi32(x, _MM_SHUFFLE(3, 3, 3, 3));
}

}  // namespace FMRUtils

#endif
