// Plume frames on disk, and everything a host can read from one frame through IOvr, as bit patterns.
#pragma once

#include "loader/api/IOvr.h"
#include "tests/platform/ScratchDirectory.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <vector>

using Words = std::vector<uint32_t>;

// Plume frames (odd ones in version 4: 3-D zones) in a folder of their own that goes with the object.
struct PlumeFrames {
    PlumeFrames(int count, int resolution) {
        for (int f = 0; f < count; ++f) {
            const OvrSynth::FrameOptions options{{resolution, resolution}, f % 2 ? 4 : 5};
            paths.push_back(folder / ("plume_" + std::to_string(f) + ".ovr"));
            if (!OvrWriter::writeBytes(paths.back(), OvrSynth::buildPlumeFrame(options, 10 + f))) paths.clear();
        }
    }
    const ScratchDirectory folder;
    std::vector<std::string> paths;
};

// Grid channels 0 to 31, then per group its channels 0 to 31 (0xBADBAD where a read fails) and the
// particle found by each particle's id; asked for from channel `start` on, so threads vary the order.
inline std::vector<Words> readFrame(IOvr& frame, int start) {
    int size[3] = {};
    frame.getResolution(size);
    std::vector<Words> contents(32);
    for (int i = start; i < start + 32; ++i)
        if (const auto* values = reinterpret_cast<const uint32_t*>(frame.getChannelData(i % 32)))
            contents[size_t(i % 32)].assign(values, values + size_t(size[0]) * size[1] * size[2]);
    for (int g = 0; g < frame.getParticleGroupCount(); ++g) {
        IFumaraPrtGroup& group = *frame.getParticleGroup(g);
        contents.resize(contents.size() + 33);
        for (int i = start; i < start + 32; ++i) {
            Words value(size_t(group.getChannelByteSize(i % 32) / 4)), &all = contents[contents.size() - 33 + i % 32];
            for (int p = 0; group.hasChannel(i % 32) && !value.empty() && p < group.getCount(); ++p) {
                if (!group.getParticleValue(p, i % 32, value.data())) value.assign(value.size(), 0xBADBADu);
                all.insert(all.end(), value.begin(), value.end());
            }
        }
        for (long long p = 0, id = 0; p < group.getCount(); ++p)
            contents.back().push_back(group.getParticleValue(int(p), 10, &id) ? uint32_t(group.findParticleById(id)) : 0xBADBADu);
    }
    return contents;
}
