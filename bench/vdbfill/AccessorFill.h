// The reference fill: one value accessor on one thread, voxel by voxel in dense order (x fastest),
// each voxel set and made active. fillGridFromDense must build exactly the same tree faster; the
// benchmark measures it as the baseline and the converter tests compare against it.
#pragma once

#include <openvdb/openvdb.h>

#include <cstdint>

inline void fillGridPerVoxel(const float* data, openvdb::FloatGrid::Ptr& grid, int nx, int ny, int nz,
                             const char* name) {
    grid = openvdb::FloatGrid::create(0.0f);
    grid->setName(name);
    openvdb::FloatGrid::Accessor accessor = grid->getAccessor();
    const int64_t count = static_cast<int64_t>(nx) * ny * nz;
    for (int64_t i = 0; i < count; ++i) {
        const int x = static_cast<int>(i % nx);
        const int y = static_cast<int>((i / nx) % ny);
        const int z = static_cast<int>(i / (static_cast<int64_t>(nx) * ny));
        accessor.setValue(openvdb::Coord(x, y, z), data[i] * 1.0f);
    }
}
