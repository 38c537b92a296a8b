// Quantised 3-D zones: boxes of floats shaped as the 3-D decoder reads them, and whole grid
// channels split into slabs of z-layers.
#include "tools/cachewriter/CacheWriter.h"

#include "compression/ConstantRuns.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace OvrWriter {

namespace {
// Constant runs longer than this many repeats are collapsed, as the 1-D encoder does.
constexpr int kRunThreshold = 4;

int32_t toInt32OrZero(float v) {
    if (!(v >= -2147483648.0f && v < 2147483648.0f)) return 0;
    return int32_t(v);
}

// Undoes (forward) the decoder's prefix sums of one pass along one axis: line[i] -= line[i-1] for
// i from the line's end down to `pass`.
void differenceAxis(std::vector<uint32_t>& d, const int64_t size[3], int axis, int pass) {
    const int64_t stride[3] = {1, size[0], size[0] * size[1]};
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    for (int64_t u = 0; u < size[a]; ++u)
        for (int64_t v = 0; v < size[b]; ++v) {
            uint32_t* line = d.data() + u * stride[a] + v * stride[b];
            for (int64_t i = size[axis] - 1; i >= pass; --i) line[i * stride[axis]] -= line[(i - 1) * stride[axis]];
        }
}
} // namespace

QuantisedBox quantiseBox(const float* values, int32_t nx, int32_t ny, int32_t nz, const QuantOptions& options) {
    QuantisedBox box;
    box.nx = nx;
    box.ny = ny;
    box.nz = nz;
    box.passes = options.passes;
    const int64_t n = int64_t(nx) * ny * nz;

    float lo = n > 0 ? values[0] : 0.0f, hi = lo;
    for (int64_t i = 0; i < n; ++i) {
        if (!std::isfinite(values[i])) {
            lo = hi = 0.0f;
            break;
        }
        lo = std::min(lo, values[i]);
        hi = std::max(hi, values[i]);
    }
    box.rangeMin = lo;
    if (options.bits > 0)
        box.scale = hi - lo > 1e-20f ? std::ldexp(1.0f, options.bits) / (hi - lo) : 1.0f;
    else
        box.scale = options.step > 0.0f ? 1.0f / options.step : 1.0f;

    box.q.resize(size_t(n));
    for (int64_t i = 0; i < n; ++i) {
        const float t = (values[i] - box.rangeMin) * box.scale + 0.5f;
        box.q[size_t(i)] = toInt32OrZero(std::floor(t));
    }
    return box;
}

std::vector<float> dequantise(const QuantisedBox& box) {
    // The decoder reads a tiny positive minimum as 0.
    const float rangeMin = box.rangeMin > 0.0f && box.rangeMin < 1e-20f ? 0.0f : box.rangeMin;
    const float r = 1.0f / box.scale;
    std::vector<float> out(box.q.size());
    for (size_t i = 0; i < box.q.size(); ++i) out[i] = float(box.q[i]) * r + rangeMin;
    return out;
}

Bytes quantisedZone3D(const QuantisedBox& box) {
    const int64_t size[3] = {box.nx, box.ny, box.nz};
    std::vector<uint32_t> d(box.q.begin(), box.q.end());
    // The decoder undoes the passes last first, each along x, then y, then z; do the reverse.
    for (int pass = 1; pass <= box.passes; ++pass)
        for (int axis = 2; axis >= 0; --axis) differenceAxis(d, size, axis, pass);

    std::vector<int32_t> q(d.size());
    for (size_t i = 0; i < d.size(); ++i) q[i] = int32_t(d[i]);
    const int32_t m = q.empty() ? 0 : *std::min_element(q.begin(), q.end());
    for (int32_t& v : q) v = int32_t(uint32_t(v) - uint32_t(m));
    const int64_t n = FMRUtils::CompactRuns(q.data(), q.data(), int64_t(q.size()), kRunThreshold);

    QuantisedZoneFields fields;
    fields.sizes = {box.nx, box.ny, box.nz};
    fields.scale = box.scale;
    fields.rangeMin = box.rangeMin;
    fields.offset = m;
    fields.passes = uint8_t(box.passes);
    fields.entropy = entropyStream(q.data(), size_t(n));
    return quantisedZone(fields);
}

Bytes encodeChannel3D(const float* values, int32_t X, int32_t Y, int32_t Z, const QuantOptions& options,
                      int32_t slabDepth, std::vector<float>* decoded) {
    const int32_t maxZones = std::numeric_limits<uint16_t>::max();
    slabDepth = std::max({slabDepth, 1, (Z + maxZones - 1) / maxZones});
    const int64_t layer = int64_t(X) * Y;
    std::vector<ZoneTableEntry> zones;
    if (decoded) decoded->clear();
    for (int32_t z0 = 0; z0 < Z; z0 += slabDepth) {
        const int32_t depth = std::min(slabDepth, Z - z0);
        const QuantisedBox box = quantiseBox(values + z0 * layer, X, Y, depth, options);
        if (decoded) {
            const std::vector<float> slab = dequantise(box);
            decoded->insert(decoded->end(), slab.begin(), slab.end());
        }
        zones.push_back({int32_t(z0 * layer), quantisedZone3D(box)});
    }
    if (zones.size() == 1) return zones[0].zone;
    return zoneTableBlock(zones);
}

} // namespace OvrWriter
