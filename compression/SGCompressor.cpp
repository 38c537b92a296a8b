// Block level of the float codec: the block tag, the zone table and the parallel pass over the zones.
#include "compression/SGCompressor.h"

#include <algorithm>

namespace FMRUtils {

namespace {

constexpr uint16_t kSingleZoneTag = 0xFC01;
constexpr int kScratchReserve = 100000;  // values each worker's scratch array holds without growing

}  // namespace

template <int N>
SGCompressor<N>::SGCompressor(int threads, const ZUtils::NumaTopology* topology,
                              const FmrArray<char, int64_t>* nodeMask)
    : m_threads(threads), m_topology(topology), m_nodeMask(nodeMask) {}

template <int N>
SGCompressor<N>::~SGCompressor() = default;

// One scratch array per job, each with room for the common zone size, so that zones decode without
// allocating. Storage from earlier calls is kept.
template <int N>
void SGCompressor<N>::prepareScratch() {
    const int jobs = jobCount() > 0 ? jobCount() : 1;
    if (!m_scratch.SetSize(jobs)) return;
    for (int t = 0; t < jobs; ++t) {
        FmrArray<int>& scratch = m_scratch[t];
        if (scratch.capacity() < kScratchReserve && scratch.SetSize(kScratchReserve, nullptr, true)) scratch.SetSize(0);
    }
}

template <int N>
int SGCompressor<N>::Decompress(const void* source, int64_t sourceSize, float* floatOut, int64_t floatCount) {
    setupThreads(m_threads, m_topology, m_nodeMask);
    prepareScratch();
    if (m_scratch.count() == 0) return 0;
    ByteCursor block(source, sourceSize);
    uint16_t tag = 0;
    if (!block.read(tag)) return 0;
    if (tag == kSingleZoneTag) {
        Zone zone;
        zone.source = block;
        zone.data = floatOut;
        zone.floatCapacity = floatCount;
        return DecompressZone(zone, 0);
    }
    if (tag == 0xFC02 || tag == 0xFC03) return decompressTable(block, floatOut, floatCount);
    return 0;
}

template <int N>
int SGCompressor<N>::decompressTable(ByteCursor& block, float* floatOut, int64_t floatCount) {
    uint16_t zoneCount = 0;
    if (!block.read(zoneCount)) return 0;
    FmrArray<int64_t> floatOffsets, byteOffsets;
    if (!floatOffsets.SetSize(zoneCount + 1) || !byteOffsets.SetSize(zoneCount + 1)) return 0;
    for (int i = 0; i < zoneCount; ++i) {
        int32_t offset = 0;
        if (!block.read(offset)) return 0;
        floatOffsets[i] = offset;
    }
    for (int i = 0; i < zoneCount; ++i) {
        int32_t offset = 0;
        if (!block.read(offset)) return 0;
        byteOffsets[i] = offset;
    }
    const int64_t remaining = block.remaining();
    for (int i = 0; i < zoneCount; ++i) {
        if (byteOffsets[i] < 0 || byteOffsets[i] >= remaining) return 0;
        if (floatOffsets[i] < 0 || floatOffsets[i] >= floatCount) return 0;
    }
    byteOffsets[zoneCount] = remaining;
    floatOffsets[zoneCount] = floatCount;

    if (!m_zones.SetSize(zoneCount)) return 0;
    for (int i = 0; i < zoneCount; ++i) {
        // Offsets that do not increase give a zone no bytes or no floats: it fails on its first read
        // or its first value, and never reaches into a neighbour's floats.
        Zone& zone = m_zones[i];
        zone.source = block.window(byteOffsets[i], byteOffsets[i + 1] - byteOffsets[i]);
        zone.data = floatOut + floatOffsets[i];
        zone.floatCapacity = floatOffsets[i + 1] - floatOffsets[i];
        zone.source.skip(2);  // the zone's own tag, not checked
    }
    // The costliest zones first (a zone's bytes measure its decoding work), so that the workers do
    // not end with one of them decoding a large zone while the others wait.
    std::stable_sort(m_zones.data(), m_zones.data() + zoneCount,
                     [](const Zone& a, const Zone& b) { return a.source.remaining() > b.source.remaining(); });
    return runZones(1) ? 1 : 0;
}

template <int N>
bool SGCompressor<N>::runZones(int mode) {
    m_failedZones.store(0);
    m_nextZone.store(0);
    run(mode, nullptr);
    m_zones.SetSize(0);
    return m_failedZones.load() == 0;
}

template <int N>
int SGCompressor<N>::processJob(Job* job) {
    const int t = job->jobIndex;
    int result = t;
    // Each worker takes the next zone nobody has taken: zones differ widely in cost (empty space against
    // dense smoke), so a fixed share per worker would leave one idle while the other finishes.
    for (int z = m_nextZone.fetch_add(1); z < m_zones.count(); z = m_nextZone.fetch_add(1)) {
        if (job->mode == 1) {
            // Once one zone has failed the block fails; the other workers stop early.
            if (m_failedZones.load(std::memory_order_relaxed) != 0) break;
            result = DecompressZone(m_zones[z], t);
        } else if (job->mode == 0) {
            result = CompressZone(m_zones[z]) > 0 ? 1 : 0;
        } else {
            break;
        }
        if (result == 0) m_failedZones.fetch_add(1);
    }
    return result;
}

template class SGCompressor<1>;
template class SGCompressor<3>;

}  // namespace FMRUtils
