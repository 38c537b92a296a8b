// Decoding of one zone: raw floats, a constant, or quantised integers turned back into floats.
#include "compression/DeltaPasses.h"
#include "compression/Dequantise.h"
#include "compression/EntropyCoder.h"
#include "compression/SGCompressor.h"
#include "utils/Log.h"

#include <algorithm>

namespace FMRUtils {

namespace {

enum ZoneMode : uint8_t { kRawZone = 0, kConstantZone = 1, kQuantisedZone = 2 };

// Finishes a decoded sequence piece by piece: delta passes undone and integers turned into floats.
class SequenceSink final : public ExpandProgress {
public:
    SequenceSink(int passes, float r, float minimum, const int32_t* q, float* out)
        : m_dequantiser(passes, r, minimum), m_q(q), m_out(out) {}
    void reached(int64_t written) override { m_dequantiser.advance(m_q, m_out, written); }

private:
    SequenceDequantiser m_dequantiser;
    const int32_t* m_q;
    float* m_out;
};

// The number of values of a box, or -1 when a size is negative or the box holds more than `limit`.
template <int N>
int64_t BoxCount(const int32_t (&size)[N], int64_t limit) {
    for (int d = 0; d < N; ++d) {
        if (size[d] < 0) return -1;
        if (size[d] == 0) return 0;
    }
    int64_t count = 1;
    for (int d = 0; d < N; ++d) {
        if (count > limit / size[d]) return -1;
        count *= size[d];
    }
    return count;
}

}  // namespace

template <int N>
int SGCompressor<N>::DecompressZone(Zone& zone, int t) {
    ByteCursor& in = zone.source;
    uint8_t mode = 0;
    if (!in.read(mode)) return 0;

    if (mode == kRawZone || mode == kConstantZone) {
        int32_t count = 0;
        if (!in.read(count) || count < 0 || count > zone.floatCapacity) return 0;
        if (mode == kRawZone) return in.read(zone.data, int64_t(count) * 4) ? 1 : 0;
        float value = 0.0f;
        if (!in.read(value)) return 0;
        std::fill(zone.data, zone.data + count, value);
        return 1;
    }
    if (mode != kQuantisedZone) return 0;

    int32_t size[N] = {};
    float scale = 0.0f, minimum = 0.0f;
    int32_t offset = 0;
    uint8_t passes = 0;
    for (int d = 0; d < N; ++d) in.read(size[d]);
    in.read(scale);
    in.read(minimum);
    in.read(offset);
    in.read(passes);
    if (in.failed()) return 0;
    if (minimum > 0 && minimum < 1e-20) minimum = 0;

    // The size is checked against the destination before anything is allocated for it.
    const int64_t count = BoxCount(size, std::min<int64_t>(zone.floatCapacity, INT32_MAX));
    if (count < 0) return 0;
    FmrArray<int>& scratch = m_scratch[t];
    if (!scratch.SetSize(static_cast<int>(count), nullptr, true)) {
        logMessage("Can't allocate %d MB for decompression", static_cast<int>(count / 1048576));
        return 0;
    }
    EntropyCoder coder;
    if (!InitDecoder(coder, in.position(), in.remaining())) return 0;
    const float r = 1.0f / scale;
    if (N == 1 && SequenceDequantiser::handles(passes)) {
        // Each piece of a sequence is finished while the entropy decoder's output is still in the cache.
        SequenceSink sink(passes, r, minimum, scratch.data(), zone.data);
        if (!DecodeAndExpand(coder, scratch.data(), count, offset, &sink)) return 0;
        sink.reached(count);
        return 1;
    }
    if (!DecodeAndExpand(coder, scratch.data(), count, offset)) return 0;
    int64_t axes[N];
    for (int d = 0; d < N; ++d) axes[d] = size[d];
    if constexpr (N == 3) {
        if (passes == 1) {
            DequantiseBoxOnePass(scratch.data(), axes, r, minimum, zone.data);
            return 1;
        }
    }
    UndoDeltaPasses(scratch.data(), axes, N, passes);
    Dequantise(scratch.data(), count, r, minimum, zone.data);
    return 1;
}

template int SGCompressor<1>::DecompressZone(Zone&, int);
template int SGCompressor<3>::DecompressZone(Zone&, int);

}  // namespace FMRUtils
