#include "compression/Dequantise.h"

#include "compression/SimdInts.h"

namespace FMRUtils {

namespace {

inline float Convert(uint32_t q, float r, float minimum) {
    return static_cast<float>(static_cast<int32_t>(q)) * r + minimum;
}

#if defined(__SSE2__)
inline void Store4(float* out, __m128i q, __m128 r, __m128 minimum) {
    _mm_storeu_ps(out, _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(q), r), minimum));
}
#endif

// One row of a box with one delta pass. Undoing the pass makes each value the sum of all stored
// values at or before it on every axis: the row's own prefix sum plus the finished values of the row
// below (y - 1) and behind (z - 1), minus those of the row below and behind, counted in both.
template <bool Below, bool Behind>
void FinishBoxRow(uint32_t* row, int64_t nx, int64_t plane, float r, float minimum, float* out) {
    const uint32_t* below = row - nx;
    const uint32_t* behind = row - plane;
    const uint32_t* both = row - nx - plane;
    auto finish = [&](int64_t k, uint32_t rowSum) {
        uint32_t v = rowSum;
        if (Below) v += below[k];
        if (Behind) v += behind[k];
        if (Below && Behind) v -= both[k];
        return v;
    };
    int64_t k = 0;
    uint32_t carry = 0;
#if defined(__SSE2__)
    const __m128 rv = _mm_set1_ps(r), mv = _mm_set1_ps(minimum);
    __m128i carry4 = _mm_setzero_si128();
    for (; k + 4 <= nx; k += 4) {
        const __m128i sums = PrefixSum4(LoadInts(row + k), carry4);
        carry4 = LastLane(sums);
        __m128i v = sums;
        if (Below) v = _mm_add_epi32(v, LoadInts(below + k));
        if (Behind) v = _mm_add_epi32(v, LoadInts(behind + k));
        if (Below && Behind) v = _mm_sub_epi32(v, LoadInts(both + k));
        StoreInts(row + k, v);
        Store4(out + k, v, rv, mv);
    }
    carry = static_cast<uint32_t>(_mm_cvtsi128_si32(carry4));
#endif
    for (; k < nx; ++k) {
        carry += row[k];
        row[k] = finish(k, carry);
        out[k] = Convert(row[k], r, minimum);
    }
}

}  // namespace

void DequantiseBoxOnePass(int32_t* q, const int64_t (&size)[3], float r, float minimum, float* out) {
    const int64_t nx = size[0], ny = size[1], nz = size[2];
    if (nx <= 0 || ny <= 0 || nz <= 0) return;
    uint32_t* u = reinterpret_cast<uint32_t*>(q);
    const int64_t plane = nx * ny;
    for (int64_t z = 0; z < nz; ++z) {
        for (int64_t y = 0; y < ny; ++y) {
            const int64_t at = z * plane + y * nx;
            if (y > 0 && z > 0) {
                FinishBoxRow<true, true>(u + at, nx, plane, r, minimum, out + at);
            } else if (y > 0) {
                FinishBoxRow<true, false>(u + at, nx, plane, r, minimum, out + at);
            } else if (z > 0) {
                FinishBoxRow<false, true>(u + at, nx, plane, r, minimum, out + at);
            } else {
                FinishBoxRow<false, false>(u + at, nx, plane, r, minimum, out + at);
            }
        }
    }
}

void Dequantise(const int32_t* q, int64_t count, float r, float minimum, float* out) {
    int64_t i = 0;
#if defined(__SSE2__)
    const __m128 rv = _mm_set1_ps(r), mv = _mm_set1_ps(minimum);
    for (; i + 4 <= count; i += 4) Store4(out + i, LoadInts(q + i), rv, mv);
#endif
    for (; i < count; ++i) out[i] = Convert(static_cast<uint32_t>(q[i]), r, minimum);
}

void SequenceDequantiser::advance(const int32_t* q, float* out, int64_t upTo) {
    int64_t i = m_done;
    if (i >= upTo) return;
    m_done = upTo;
    if (m_passes == 0) {
        Dequantise(q + i, upTo - i, m_r, m_minimum, out + i);
        return;
    }
    const uint32_t* u = reinterpret_cast<const uint32_t*>(q);
    const bool twoPasses = m_passes == 2;
    uint32_t s1 = m_s1, s2 = m_s2;
    // Pass p starts at index p: the first value is kept, the second is a pass-1 sum only.
    for (; i < upTo && i < m_passes; ++i) {
        if (i == 0) {
            s1 = u[0];
        } else {
            s2 = u[1];
            s1 += s2;
        }
        out[i] = Convert(s1, m_r, m_minimum);
    }
#if defined(__SSE2__)
    const __m128 rv = _mm_set1_ps(m_r), mv = _mm_set1_ps(m_minimum);
    __m128i c1 = _mm_set1_epi32(static_cast<int32_t>(s1)), c2 = _mm_set1_epi32(static_cast<int32_t>(s2));
    for (; i + 4 <= upTo; i += 4) {
        __m128i x = LoadInts(u + i);
        if (twoPasses) {
            x = PrefixSum4(x, c2);
            c2 = LastLane(x);
        }
        x = PrefixSum4(x, c1);
        c1 = LastLane(x);
        Store4(out + i, x, rv, mv);
    }
    s1 = static_cast<uint32_t>(_mm_cvtsi128_si32(c1));
    s2 = static_cast<uint32_t>(_mm_cvtsi128_si32(c2));
#endif
    for (; i < upTo; ++i) {
        if (twoPasses) {
            s2 += u[i];
            s1 += s2;
        } else {
            s1 += u[i];
        }
        out[i] = Convert(s1, m_r, m_minimum);
    }
    m_s1 = s1;
    m_s2 = s2;
}

}  // namespace FMRUtils
