// The last step of decoding a quantised zone: integers back to floats, value = float(q) * r + minimum,
// each operation rounded to single precision on its own (the codec is compiled without floating-point
// contraction, and the vector path uses separate multiply and add instructions).
#pragma once

#include <cstdint>

namespace FMRUtils {

void Dequantise(const int32_t* q, int64_t count, float r, float minimum, float* out);

// For a box (x fastest) with one delta pass: undoes the pass along all three axes and converts in one
// sweep, leaving the undone integers in q. The result equals UndoDeltaPasses followed by Dequantise.
void DequantiseBoxOnePass(int32_t* q, const int64_t (&size)[3], float r, float minimum, float* out);

// For a sequence with 0, 1 or 2 delta passes: undoes the passes and converts in one sweep, in pieces as
// the integers become available, leaving them as they are. The result equals UndoDeltaPasses followed
// by Dequantise.
class SequenceDequantiser {
public:
    SequenceDequantiser(int passes, float r, float minimum) : m_passes(passes), m_r(r), m_minimum(minimum) {}

    static bool handles(int passes) { return passes >= 0 && passes <= 2; }

    // Converts q[done() .. upTo) into out[done() .. upTo).
    void advance(const int32_t* q, float* out, int64_t upTo);
    int64_t done() const { return m_done; }

private:
    int m_passes;
    float m_r;
    float m_minimum;
    int64_t m_done = 0;
    uint32_t m_s1 = 0;  // running sum of pass 1 (the last output integer)
    uint32_t m_s2 = 0;  // running sum of pass 2
};

}  // namespace FMRUtils
