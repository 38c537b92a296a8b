// What the host tests share; the library is reached only through loader/api/IOvr.h and its exports.
#pragma once

#include "loader/api/IOvr.h"
#include "tests/platform/ScratchDirectory.h"
#include "tools/cachewriter/CacheWriter.h"

#include <gtest/gtest.h>

#include <vector>

inline float cacheValue(int channel, int element) { return static_cast<float>(channel) + 0.25f * element; }

// A cache file of resolution x, y, z whose channels (those given) hold cacheValue(channel, element).
inline const float kIdentity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
inline bool writeCacheFile(const std::string& path, int x, int y, int z, const std::vector<int>& channels,
                           const float* transform = kIdentity) {
    OvrWriter::GridDataBuilder grid;
    std::vector<float> values(static_cast<size_t>(x * y * z));
    for (int channel : channels) {
        for (size_t i = 0; i < values.size(); ++i) values[i] = cacheValue(channel, static_cast<int>(i));
        grid.addBlock(channel, OvrWriter::rawZone(values.data(), x * y * z));
    }
    OvrWriter::CacheWriter writer;
    writer.channelFlags(grid.channelFlags()), writer.transform(transform), writer.grid(x, y, z, grid.words());
    return writer.save(path);
}
