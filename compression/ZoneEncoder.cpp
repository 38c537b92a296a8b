// Encoding of zones and whole blocks. Quantised zones are coded as the decoder reads them: the same
// sizes, delta passes and constant runs, so a decoded value is float(q) * (1 / scale) + minimum.
#include "compression/ConstantRuns.h"
#include "compression/DeltaPasses.h"
#include "compression/EntropyCoder.h"
#include "compression/SGCompressor.h"
#include "utils/Log.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace FMRUtils {

namespace {

constexpr uint16_t kSingleZoneTag = 0xFC01;
constexpr uint16_t kZoneTableTag = 0xFC02;
constexpr int kMaxZones = 65535;
constexpr int kRunThreshold = 4;  // runs of more equal values than this become a marker

bool AppendBytes(FmrArray<char, int64_t>& out, const void* bytes, int64_t size) {
    const int64_t at = out.count();
    if (!out.SetSize(at + size)) return false;
    std::memcpy(out.data() + at, bytes, static_cast<size_t>(size));
    return true;
}

template <class T>
bool AppendField(FmrArray<char, int64_t>& out, T value) {
    return AppendBytes(out, &value, sizeof(T));
}

bool IsInfOrNaN(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return (bits & 0x7F800000u) == 0x7F800000u;
}

// float to int32 as the x86 conversion does it: out-of-range values give INT32_MIN.
int32_t ToInt32(float f) {
    if (f >= -2147483648.0f && f < 2147483648.0f) return static_cast<int32_t>(f);
    return INT32_MIN;
}

bool WriteConstantZone(FmrArray<char, int64_t>& out, int32_t count, float value) {
    return AppendField<uint8_t>(out, 1) && AppendField(out, count) && AppendField(out, value);
}

bool WriteRawZone(FmrArray<char, int64_t>& out, int32_t count, const float* data) {
    return AppendField<uint8_t>(out, 0) && AppendField(out, count) && AppendBytes(out, data, int64_t(count) * 4);
}

}  // namespace

template <int N>
int64_t SGCompressor<N>::CompressZone(Zone& zone) {
    if (zone.output == nullptr) return 0;
    FmrArray<char, int64_t>& out = *zone.output;
    out.SetSize(0);
    int64_t count = 1;
    for (int d = 0; d < N; ++d) {
        if (zone.size[d] < 0) return 0;
        count *= zone.size[d];
    }
    if (count > INT32_MAX || !AppendField(out, kSingleZoneTag)) return 0;
    const float* data = zone.data;
    if (count == 0) return WriteConstantZone(out, 0, 0.0f) ? out.count() : 0;

    float lo = data[0], hi = data[0];
    for (int64_t i = 0; i < count; ++i) {
        if (IsInfOrNaN(data[i])) {
            lo = hi = 0.0f;
            break;
        }
        lo = std::min(lo, data[i]);
        hi = std::max(hi, data[i]);
    }
    if (std::fabs(lo - hi) < 1e-20) return WriteConstantZone(out, static_cast<int32_t>(count), lo) ? out.count() : 0;
    if (zone.bits >= 20) return WriteRawZone(out, static_cast<int32_t>(count), data) ? out.count() : 0;

    if (zone.rangeMin == FLT_MAX || zone.rangeMax == -FLT_MAX) {
        zone.rangeMin = lo;
        zone.rangeMax = hi;
    }
    if (!zone.quantised.SetSize(static_cast<int>(count))) {
        logMessage("Can't allocate %d MB for compression", static_cast<int>(count / 1048576));
        return 0;
    }
    const float scale =
        zone.bits > 0 ? static_cast<float>(1 << zone.bits) / (zone.rangeMax - zone.rangeMin) : 1.0f / zone.step;
    int32_t* q = zone.quantised.data();
    for (int64_t i = 0; i < count; ++i) q[i] = ToInt32(std::floor((data[i] - zone.rangeMin) * scale + 0.5f));

    // The pass count is stored in one byte; the encoder applies exactly what it stores.
    const int passes = std::min(255, std::max(0, zone.deltaPasses));
    int64_t axes[N];
    for (int d = 0; d < N; ++d) axes[d] = zone.size[d];
    ApplyDeltaPasses(q, axes, N, passes);
    const auto range = std::minmax_element(q, q + count);
    const int32_t m = *range.first;
    // Values that span more than 2^31 after the passes would read back as run markers: such a zone
    // (far outside its range, or with many passes) keeps its floats unchanged instead.
    if (int64_t(*range.second) - int64_t(m) > INT32_MAX) {
        out.SetSize(2);
        return WriteRawZone(out, static_cast<int32_t>(count), data) ? out.count() : 0;
    }
    for (int64_t i = 0; i < count; ++i)
        q[i] = static_cast<int32_t>(static_cast<uint32_t>(q[i]) - static_cast<uint32_t>(m));

    bool ok = AppendField<uint8_t>(out, 2);
    for (int d = 0; d < N; ++d) ok = ok && AppendField<int32_t>(out, zone.size[d]);
    ok = ok && AppendField(out, scale) && AppendField(out, zone.rangeMin) && AppendField(out, m) &&
         AppendField(out, static_cast<uint8_t>(passes));
    if (!ok) return 0;
    const int64_t n = CompactRuns(q, q, count, kRunThreshold);
    if (Encode(q, n, out) == 0) return 0;
    return out.count();
}

template <int N>
int64_t SGCompressor<N>::Compress(const float* values, const int (&size)[N], int zoneLength,
                                  const ZoneSettings& settings, FmrArray<char, int64_t>& out) {
    int64_t total = 1, plane = 1;
    for (int d = 0; d < N; ++d) {
        if (size[d] < 0) return 0;
        total *= size[d];
        if (d < N - 1) plane *= size[d];
    }
    const int length = size[N - 1];
    if (total > INT32_MAX || zoneLength < 1) return 0;
    const int zoneCount = length == 0 ? 1 : (length - 1) / zoneLength + 1;
    if (zoneCount > kMaxZones) return 0;

    setupThreads(m_threads, m_topology, m_nodeMask);
    if (!m_zones.SetSize(zoneCount) || !m_zoneOutputs.SetSize(zoneCount)) return 0;
    for (int i = 0; i < zoneCount; ++i) {
        Zone& zone = m_zones[i];
        zone.output = &m_zoneOutputs[i];
        zone.data = const_cast<float*>(values) + int64_t(i) * zoneLength * plane;
        std::copy(size, size + N, zone.size);
        zone.size[N - 1] = std::min(zoneLength, length - i * zoneLength);
        zone.rangeMin = settings.rangeMin;
        zone.rangeMax = settings.rangeMax;
        zone.bits = settings.bits;
        zone.step = settings.step;
        zone.deltaPasses = settings.deltaPasses;
    }
    const bool encoded = runZones(0);

    const int64_t start = out.count();
    bool ok = encoded;
    if (ok && zoneCount == 1) {
        ok = AppendBytes(out, m_zoneOutputs[0].data(), m_zoneOutputs[0].count());
    } else if (ok) {
        ok = AppendField(out, kZoneTableTag) && AppendField(out, static_cast<uint16_t>(zoneCount));
        for (int i = 0; ok && i < zoneCount; ++i)
            ok = AppendField(out, static_cast<int32_t>(int64_t(i) * zoneLength * plane));
        int64_t offset = 0;
        for (int i = 0; ok && i < zoneCount; ++i) {
            ok = offset <= INT32_MAX && AppendField(out, static_cast<int32_t>(offset));
            offset += m_zoneOutputs[i].count();
        }
        for (int i = 0; ok && i < zoneCount; ++i)
            ok = AppendBytes(out, m_zoneOutputs[i].data(), m_zoneOutputs[i].count());
    }
    for (int i = 0; i < zoneCount; ++i) m_zoneOutputs[i].SetSize(0);
    if (!ok) {
        if (out.count() > start) out.SetSize(start);
        return 0;
    }
    return out.count() - start;
}

template int64_t SGCompressor<1>::CompressZone(Zone&);
template int64_t SGCompressor<3>::CompressZone(Zone&);
template int64_t SGCompressor<1>::Compress(const float*, const int (&)[1], int, const ZoneSettings&,
                                           FmrArray<char, int64_t>&);
template int64_t SGCompressor<3>::Compress(const float*, const int (&)[3], int, const ZoneSettings&,
                                           FmrArray<char, int64_t>&);

}  // namespace FMRUtils
