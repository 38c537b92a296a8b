// The baseline of the codec benchmark: a decoder written the plain way, reading the entropy stream one
// bit at a time and walking an explicit node tree from the root for every value. It reads trusted
// blocks only (single zones and zone tables, both variants) and is used for nothing but comparison.
#pragma once

#include <cstdint>

namespace CodecBench {

// Decodes the block into `floatOut`; false on a block it does not understand. `dims` is 1 or 3.
bool LiteralDecompress(int dims, const uint8_t* block, int64_t size, float* floatOut, int64_t floatCount);

}  // namespace CodecBench
