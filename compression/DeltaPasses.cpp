#include "compression/DeltaPasses.h"

#include "compression/SimdInts.h"

namespace FMRUtils {

namespace {

// The layout of one axis: values along it lie `stride` apart, in `outer` independent blocks of
// stride x length values.
struct Axis {
    int64_t stride;
    int64_t length;
    int64_t outer;
};

bool IsEmpty(const int64_t* size, int axes) {
    for (int d = 0; d < axes; ++d)
        if (size[d] <= 0) return true;
    return false;
}

Axis AxisOf(const int64_t* size, int axes, int d) {
    Axis a{1, size[d], 1};
    for (int i = 0; i < d; ++i) a.stride *= size[i];
    for (int i = d + 1; i < axes; ++i) a.outer *= size[i];
    return a;
}

void Difference(uint32_t* v, const Axis& a, int pass) {
    for (int64_t o = 0; o < a.outer; ++o) {
        uint32_t* block = v + o * a.stride * a.length;
        for (int64_t i = a.length - 1; i >= pass; --i) {
            uint32_t* row = block + i * a.stride;
            const uint32_t* prev = row - a.stride;
            for (int64_t k = 0; k < a.stride; ++k) row[k] -= prev[k];
        }
    }
}

// line[i] += line[i - 1] for i from `from` to n - 1, along a contiguous line.
void PrefixSumLine(uint32_t* line, int64_t from, int64_t n) {
    int64_t i = from;
#if defined(__SSE2__)
    if (i < n) {
        __m128i carry = _mm_set1_epi32(static_cast<int32_t>(line[i - 1]));
        for (; i + 4 <= n; i += 4) {
            const __m128i x = PrefixSum4(LoadInts(line + i), carry);
            StoreInts(line + i, x);
            carry = LastLane(x);
        }
    }
#endif
    for (; i < n; ++i) line[i] += line[i - 1];
}

// row[k] += prev[k] for k below n.
void AddRow(uint32_t* row, const uint32_t* prev, int64_t n) {
    int64_t k = 0;
#if defined(__SSE2__)
    for (; k + 4 <= n; k += 4) StoreInts(row + k, _mm_add_epi32(LoadInts(row + k), LoadInts(prev + k)));
#endif
    for (; k < n; ++k) row[k] += prev[k];
}

void PrefixSum(uint32_t* v, const Axis& a, int pass) {
    for (int64_t o = 0; o < a.outer; ++o) {
        uint32_t* block = v + o * a.stride * a.length;
        if (a.stride == 1) {
            PrefixSumLine(block, pass, a.length);
            continue;
        }
        for (int64_t i = pass; i < a.length; ++i) AddRow(block + i * a.stride, block + (i - 1) * a.stride, a.stride);
    }
}

}  // namespace

void ApplyDeltaPasses(int32_t* values, const int64_t* size, int axes, int passes) {
    if (IsEmpty(size, axes)) return;
    uint32_t* v = reinterpret_cast<uint32_t*>(values);
    for (int pass = 1; pass <= passes; ++pass) {
        for (int d = 0; d < axes; ++d) Difference(v, AxisOf(size, axes, d), pass);
    }
}

void UndoDeltaPasses(int32_t* values, const int64_t* size, int axes, int passes) {
    // A box without values has nothing to undo, however long its other axes claim to be.
    if (IsEmpty(size, axes)) return;
    uint32_t* v = reinterpret_cast<uint32_t*>(values);
    for (int pass = passes; pass >= 1; --pass) {
        for (int d = 0; d < axes; ++d) PrefixSum(v, AxisOf(size, axes, d), pass);
    }
}

}  // namespace FMRUtils
