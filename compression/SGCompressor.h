// The float codec of the cache format. A block is one zone (tag 0xFC01) or a table of zones (tag
// 0xFC02 or 0xFC03) that decode on all worker threads at once. A zone holds raw floats (mode 0), one
// constant (mode 1), or quantised integers (mode 2) that went through delta passes, constant-run
// coding (ConstantRuns.h) and the entropy coder (EntropyCoder.h).
//
// SGCompressor<1> codes a quantised zone as a sequence; SGCompressor<3> as a box of nx x ny x nz
// values (x fastest) whose delta passes run along each axis. Mode 0 and 1 zones read alike in both.
//
// Zone table layout (Z = zone count, offsets from the block start):
//   0: tag (16)   2: Z (16, unsigned)   4: float offsets A[Z] (32 each)   4 + 4Z: byte offsets B[Z]
//   (32 each, counted from 4 + 8Z)   4 + 8Z: the zone streams, each starting with its own tag 0xFC01.
// Zone stream after its tag: mode (8), then
//   mode 0: count (32), count floats         mode 1: count (32), value (float)
//   mode 2: sizes (N x 32), scale (float), range minimum (float), offset m (32), delta passes (8),
//           entropy stream; value = float(q) * (1 / scale) + range minimum.
#pragma once

#include "compression/ByteCursor.h"
#include "parallel/FmrParallel.h"
#include "utils/FmrArray.h"

#include <atomic>
#include <cfloat>
#include <cstdint>

namespace FMRUtils {

// How the encoder quantises the floats of a zone.
struct ZoneSettings {
    // Quantisation bits: the range maps to 0 .. 2^bits. 20 or more stores the floats unchanged; 0 or
    // less quantises with `step` instead.
    int bits = 16;
    float step = 0.0f;
    // Delta passes (0 to 255) taken along each axis before the entropy coder.
    int deltaPasses = 1;
    // The quantisation range; left at these defaults, each zone uses its own smallest and largest value.
    float rangeMin = FLT_MAX;
    float rangeMax = -FLT_MAX;
};

template <int N>
class SGCompressor : public FmrParallel {
    static_assert(N == 1 || N == 3, "the codec has a 1-D and a 3-D variant");

public:
    // One zone being decoded or encoded.
    struct Zone {
        FmrArray<char, int64_t>* output = nullptr;  // encoding: receives the zone stream
        FmrArray<int> quantised{0, 4};              // encoding: the zone's integers
        ByteCursor source;                          // decoding: the zone's bytes after its tag
        float* data = nullptr;                      // the values to encode, or the place to decode into
        int size[N] = {};                           // encoding: values along each axis (x fastest)
        float rangeMin = FLT_MAX;                   // encoding: see ZoneSettings
        float rangeMax = -FLT_MAX;
        int bits = 0;
        float step = 0.0f;
        int deltaPasses = 0;
        int64_t floatCapacity = 0;  // decoding: floats that may be written at `data`
    };

    // The set-up arguments are handed to setupThreads at the start of every Decompress and Compress.
    explicit SGCompressor(int threads = -1, const ZUtils::NumaTopology* topology = nullptr,
                          const FmrArray<char, int64_t>* nodeMask = nullptr);
    ~SGCompressor() override;

    // Decodes the block of `sourceSize` bytes at `source` into at most `floatCount` floats at
    // `floatOut`. Returns 1 when the block and every zone in it decoded, 0 otherwise: an unknown tag, an
    // invalid zone table (a float offset outside 0 .. floatCount - 1, a byte offset outside the bytes
    // after the table), or a failed zone. Never reads outside the block nor writes outside the floats.
    int Decompress(const void* source, int64_t sourceSize, float* floatOut, int64_t floatCount);

    // Decodes one zone using scratch array t; 1 on success, 0 when the zone is corrupt or does not fit
    // its float capacity.
    int DecompressZone(Zone& zone, int t);

    // Encodes the zone's floats into its output array (tag included); returns the stream's size in
    // bytes, 0 when the zone is malformed or memory runs out.
    int64_t CompressZone(Zone& zone);

    // Encodes the floats of a grid of `size` values (x fastest) as one block appended to `out`: a single
    // zone when `zoneLength` positions of the last axis cover the grid, otherwise a zone table with one
    // zone per `zoneLength` positions of the last axis, encoded on the worker threads. Returns the
    // bytes appended, 0 when the grid is too large for a block (2^31 floats or bytes, 65535 zones) or
    // memory runs out.
    int64_t Compress(const float* values, const int (&size)[N], int zoneLength, const ZoneSettings& settings,
                     FmrArray<char, int64_t>& out);

    // Takes zones of the current call that no other job has taken until none is left: mode 1 decodes
    // them, mode 0 encodes them. Returns the last zone's result, or t when it handled none.
    int processJob(Job* job) override;
    const char* getName() override { return "SGCompressor"; }

private:
    void prepareScratch();
    // Runs processJob in `mode` on every job over the zones set up in m_zones, then clears them; true
    // when no zone failed.
    bool runZones(int mode);
    int decompressTable(ByteCursor& block, float* floatOut, int64_t floatCount);

    int m_threads;
    const ZUtils::NumaTopology* m_topology;
    const FmrArray<char, int64_t>* m_nodeMask;
    FmrArray<Zone> m_zones;
    FmrArray<FmrArray<char, int64_t>> m_zoneOutputs;
    FmrArray<FmrArray<int>> m_scratch;
    std::atomic<int> m_failedZones{0};
    std::atomic<int> m_nextZone{0};  // the next zone of the current call that no job has taken
};

extern template class SGCompressor<1>;
extern template class SGCompressor<3>;

}  // namespace FMRUtils
