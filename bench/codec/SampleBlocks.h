// The blocks the codec benchmark decodes: a smoke-like density field quantised at 8 and 16 bits with
// one and two delta passes (large empty regions give long zero runs), integer noise that the encoder
// keeps in raw mode, and the smoke field again as 3-D zones. Each comes on a 128^3 grid (8 MB of floats,
// which a memcpy copies within the last-level cache of most machines) and, named with "_256", on a
// production-size 256^3 grid (64 MB), whose output no cache holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace CodecBench {

struct SampleBlock {
    std::string name;
    int dims;                    // 1 or 3: the codec variant that reads the block
    std::vector<uint8_t> bytes;  // a zone table
    int64_t floatCount;
    double zeroFraction;  // share of the values that are exactly 0
};

// The grid sides: a block decodes to side^3 floats, in zones of `zonePlanes` planes of the grid.
constexpr int kSide = 128;
constexpr int kLargeSide = 256;
constexpr int kZonePlanes = 8;

std::vector<SampleBlock> MakeSampleBlocks();

}  // namespace CodecBench
