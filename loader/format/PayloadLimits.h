// How much a stored payload can decode to, known before any room is made for the result: a
// damaged count or resolution must not claim memory that the payload could never fill, nor leave
// values that no decoder wrote.
#pragma once

#include <cstdint>

namespace CacheIO {

// One past the last float that any zone of a codec block covers, read from its zone headers for
// the 1-D (dimensions 1) or 3-D (dimensions 3) variant; -1 when the headers cannot be read. The
// decoder writes only what its zones declare.
int64_t blockFloatExtent(const void* block, int64_t size, int dimensions);

// Whether a zlib stream of sourceBytes can inflate to outBytes (deflate expands at most 1032 times)
// and both fit the 32-bit lengths of InflateBlock.
bool zlibCanInflate(int64_t sourceBytes, int64_t outBytes);

}  // namespace CacheIO
