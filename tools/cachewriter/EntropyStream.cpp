// Entropy streams written by the codec's own encoder.
#include "tools/cachewriter/CacheWriter.h"

#include "compression/EntropyCoder.h"

namespace OvrWriter {

Bytes entropyStream(const int32_t* values, size_t n) {
    FMRUtils::FmrArray<char, int64_t> out;
    const int64_t written = FMRUtils::Encode(values, int64_t(n), out);
    if (written <= 0) return Bytes();
    const uint8_t* p = reinterpret_cast<const uint8_t*>(out.data());
    return Bytes(p, p + out.count());
}

Bytes encodeParticleIds(const std::vector<int64_t>& ids) {
    // Differences to the previous id (the first id as it is), each as its low then its high word.
    std::vector<int32_t> values;
    values.reserve(ids.size() * 2);
    uint64_t previous = 0;
    for (int64_t id : ids) {
        const uint64_t difference = uint64_t(id) - previous;
        previous = uint64_t(id);
        values.push_back(int32_t(uint32_t(difference)));
        values.push_back(int32_t(uint32_t(difference >> 32)));
    }
    return entropyStream(values.data(), values.size());
}

} // namespace OvrWriter
