#include "loader/format/PayloadLimits.h"

#include "compression/ByteCursor.h"

#include <limits>

namespace CacheIO {

namespace {

constexpr uint16_t ZoneTag = 0xFC01;
constexpr uint16_t ZoneTableTag = 0xFC02;
constexpr uint16_t ZoneTableTagAlt = 0xFC03;

// The float count of one zone stream whose tag has been read; -1 when unreadable.
int64_t zoneFloatCount(FMRUtils::ByteCursor zone, int dimensions) {
    uint8_t mode = 0;
    if (!zone.read(mode))
        return -1;
    const int sizes = mode == 2 ? dimensions : 1;
    if (mode > 2)
        return -1;
    int64_t count = 1;
    for (int axis = 0; axis < sizes; ++axis) {
        int32_t size = 0;
        if (!zone.read(size) || size < 0)
            return -1;
        if (size != 0 && count > std::numeric_limits<int64_t>::max() / size)
            return -1;
        count *= size;
    }
    return count;
}

}  // namespace

int64_t blockFloatExtent(const void* block, int64_t size, int dimensions) {
    FMRUtils::ByteCursor cursor(block, size);
    uint16_t tag = 0;
    if (!cursor.read(tag))
        return -1;
    if (tag == ZoneTag)
        return zoneFloatCount(cursor, dimensions);
    if (tag != ZoneTableTag && tag != ZoneTableTagAlt)
        return -1;
    uint16_t zones = 0;
    if (!cursor.read(zones))
        return -1;
    FMRUtils::ByteCursor floatOffsets = cursor.window(0, 4 * int64_t(zones));
    FMRUtils::ByteCursor byteOffsets = cursor.window(4 * int64_t(zones), 4 * int64_t(zones));
    if (!cursor.skip(8 * int64_t(zones)))
        return -1;
    int64_t extent = 0;
    for (int zone = 0; zone < zones; ++zone) {
        int32_t first = 0;
        int32_t start = 0;
        uint16_t zoneTag = 0;
        if (!floatOffsets.read(first) || !byteOffsets.read(start) || first < 0 || start < 0)
            return -1;
        FMRUtils::ByteCursor stream = cursor.window(start, cursor.remaining());
        if (!stream.read(zoneTag))
            return -1;
        const int64_t count = zoneFloatCount(stream, dimensions);
        if (count < 0)
            return -1;
        if (first + count > extent)
            extent = first + count;
    }
    return extent;
}

bool zlibCanInflate(int64_t sourceBytes, int64_t outBytes) {
    return sourceBytes >= 0 && sourceBytes <= UINT32_MAX && outBytes >= 0 && outBytes <= UINT32_MAX &&
           outBytes / 1032 <= sourceBytes;
}

}  // namespace CacheIO
