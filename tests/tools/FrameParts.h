// Short ways to write the parts of a cache frame that the tests put together, and to load the frame.
#pragma once

#include "loader/api/IOvr.h"
#include "tools/cachewriter/CacheWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>

namespace OvrWriter {

// A frame of the version with the channel blocks on an x by y by z grid.
inline CacheWriter gridFrame(int32_t version, int32_t x, int32_t y, int32_t z,
                             const std::vector<std::pair<int32_t, Bytes>>& blocks) {
    GridDataBuilder grid;
    for (const auto& [channel, block] : blocks) grid.addBlock(channel, block);
    CacheWriter file(version);
    file.channelFlags(grid.channelFlags());
    file.grid(x, y, z, grid.words());
    return file;
}

inline ParticleChannel floatChannel(int32_t channel, const std::vector<float>& values, int32_t method = 0, int bits = 0,
                                    std::optional<Bytes> stored = {}) {
    std::vector<uint32_t> words(values.size());
    std::memcpy(words.data(), values.data(), values.size() * 4);
    return {channel, words, method, bits, stored, {}, {}};
}

inline ParticleGroup particleGroup(const std::string& name, int32_t count, const std::vector<ParticleChannel>& channels) {
    ParticleGroup group;
    group.name = name;
    group.count = count;
    group.channels = channels;
    return group;
}

// Saves the frame at path and loads it through IOvr (null when it does not load). Channels are read
// from the file when asked for, so each frame alive needs a file of its own.
inline std::unique_ptr<IOvr, decltype(&deleteIOvr)> loadFrame(const CacheWriter& file, const std::string& path) {
    EXPECT_TRUE(file.save(path));
    return {newIOvr(path.c_str()), &deleteIOvr};
}

} // namespace OvrWriter
