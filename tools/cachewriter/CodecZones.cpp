// 1-D zones and channels written by the codec's own encoder (SGCompressor<1>).
#include "tools/cachewriter/CacheWriter.h"

#include "compression/SGCompressor.h"

#include <algorithm>
#include <limits>

namespace OvrWriter {

namespace {
Bytes toBytes(const FMRUtils::FmrArray<char, int64_t>& array) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(array.data());
    return p ? Bytes(p, p + array.count()) : Bytes();
}

FMRUtils::ZoneSettings zoneSettings(const QuantOptions& options) {
    FMRUtils::ZoneSettings settings;
    settings.bits = options.bits;
    settings.step = options.step;
    settings.deltaPasses = options.passes;
    return settings;
}
} // namespace

Bytes encodedZone1D(const float* values, int32_t count, const QuantOptions& options) {
    FMRUtils::SGCompressor<1> codec;
    FMRUtils::FmrArray<char, int64_t> out;
    FMRUtils::SGCompressor<1>::Zone zone;
    zone.output = &out;
    zone.data = const_cast<float*>(values);
    zone.size[0] = count;
    zone.bits = options.bits;
    zone.step = options.step;
    zone.deltaPasses = options.passes;
    if (codec.CompressZone(zone) <= 0) return Bytes();
    return toBytes(out);
}

Bytes encodeChannel1D(const float* values, int64_t count, const QuantOptions& options, int64_t zoneSize) {
    if (count < 0 || count > std::numeric_limits<int32_t>::max()) return Bytes();
    const int64_t maxZones = std::numeric_limits<uint16_t>::max();
    zoneSize = std::max({zoneSize, int64_t(1), (count + maxZones - 1) / maxZones});
    FMRUtils::SGCompressor<1> codec;
    FMRUtils::FmrArray<char, int64_t> out;
    const int size[1] = {int32_t(count)};
    if (codec.Compress(values, size, int32_t(std::min<int64_t>(zoneSize, std::numeric_limits<int32_t>::max())),
                       zoneSettings(options), out) <= 0)
        return Bytes();
    return toBytes(out);
}

} // namespace OvrWriter
