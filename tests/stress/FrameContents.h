// Everything a host can read from one frame through IOvr, as bit patterns.
#pragma once

#include "loader/api/IOvr.h"

#include <cstdint>
#include <cstring>
#include <vector>

using Words = std::vector<uint32_t>;

// Grid channels 0 to 31 (empty when absent), then per visible group its channels 0 to 31 (every
// particle's value, 0xBADBAD where a read fails) and, last, the particle found by each particle's id.
// Channels are asked for from `start` on, so that threads with other starts ask in other orders.
inline std::vector<Words> readFrame(IOvr& frame, int start) {
    int resolution[3] = {};
    frame.getResolution(resolution);
    const size_t voxels = size_t(resolution[0]) * size_t(resolution[1]) * size_t(resolution[2]);
    std::vector<Words> contents(32);
    for (int i = 0; i < 32; ++i) {
        const int channel = (i + start) % 32;
        if (const float* values = frame.getChannelData(channel)) {
            contents[size_t(channel)].resize(voxels);
            std::memcpy(contents[size_t(channel)].data(), values, voxels * 4);
        }
    }
    for (int g = 0; g < frame.getParticleGroupCount(); ++g) {
        IFumaraPrtGroup& group = *frame.getParticleGroup(g);
        const size_t first = contents.size();
        contents.resize(first + 33);
        for (int i = 0; i < 32; ++i) {
            const int channel = (i + start) % 32;
            Words value(size_t(group.getChannelByteSize(channel) / 4));
            for (int p = 0; group.hasChannel(channel) && !value.empty() && p < group.getCount(); ++p) {
                if (!group.getParticleValue(p, channel, value.data())) value.assign(value.size(), 0xBADBADu);
                contents[first + size_t(channel)].insert(contents[first + size_t(channel)].end(), value.begin(), value.end());
            }
        }
        for (int p = 0; p < group.getCount(); ++p) {
            long long id = 0;
            contents.back().push_back(group.getParticleValue(p, 10, &id) ? uint32_t(group.findParticleById(id)) : 0xBADBADu);
        }
    }
    return contents;
}
