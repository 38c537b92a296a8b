#include "plugins/f3dbridge/FrameSamples.h"

#include <algorithm>

namespace F3dBridge {

namespace {
constexpr int64_t MaxSamplesPerAxis = 4;
}

AxisSamples::AxisSamples(int64_t first, int64_t size, int64_t reduction, int32_t resolution) {
    perVoxel.resize(size_t(resolution));
    for (int32_t v = 0; v < resolution; ++v) {
        const int64_t covered = std::min(reduction, size - v * reduction);
        const int64_t samples = std::min(covered, MaxSamplesPerAxis);
        perVoxel[size_t(v)] = int32_t(samples);
        for (int64_t t = 0; t < samples; ++t) {
            position.push_back(first + v * reduction + (2 * t + 1) * covered / (2 * samples));
            voxel.push_back(v);
        }
    }
}

void AxisSamples::within(int64_t low, int64_t high, size_t& begin, size_t& end) const {
    begin = size_t(std::lower_bound(position.begin(), position.end(), low) - position.begin());
    end = size_t(std::upper_bound(position.begin(), position.end(), high) - position.begin());
    if (end < begin) end = begin;
}

}  // namespace F3dBridge
