// Which source voxels each frame voxel averages along one axis: all f voxels it covers when the
// reduction f is at most 4, otherwise 4 of them spread evenly (the rule vdbbridge follows), so the
// work of a reduced import stays bounded by the voxel limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#pragma GCC visibility push(hidden)

namespace F3dBridge {

struct AxisSamples {
    std::vector<int64_t> position;  // source voxel index of each sample, ascending
    std::vector<int32_t> voxel;     // the frame voxel each sample belongs to
    std::vector<int32_t> perVoxel;  // samples per frame voxel

    // The samples of `resolution` frame voxels over source voxels first .. first + size - 1.
    AxisSamples(int64_t first, int64_t size, int64_t reduction, int32_t resolution);

    // The samples [begin, end) whose positions lie in [low, high].
    void within(int64_t low, int64_t high, size_t& begin, size_t& end) const;
};

}  // namespace F3dBridge

#pragma GCC visibility pop
