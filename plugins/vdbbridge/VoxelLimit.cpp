#include "plugins/vdbbridge/VdbVolume.h"

namespace VdbBridge {

namespace {

// Whether the grid reduced by factor holds at most limit voxels (limit >= 0).
bool fitsLimit(const int32_t resolution[3], int64_t factor, int64_t limit) {
    int64_t count = 1;
    for (int axis = 0; axis < 3; ++axis) {
        const int64_t n = (static_cast<int64_t>(resolution[axis]) + factor - 1) / factor;
        if (n == 0) return true;
        if (count > limit / n) return false;
        count *= n;
    }
    return count <= limit;
}

} // namespace

int32_t reductionForLimit(const int32_t resolution[3], int64_t voxelLimit) {
    if (voxelLimit < 0) return 1;
    int32_t largest = 1;
    for (int axis = 0; axis < 3; ++axis)
        if (resolution[axis] > largest) largest = resolution[axis];
    // The reduced count never grows with the factor, and the largest axis makes every axis one
    // voxel: the smallest fitting factor lies in [1, largest].
    int64_t low = 1, high = largest;
    if (!fitsLimit(resolution, high, voxelLimit)) return largest;
    while (low < high) {
        const int64_t middle = low + (high - low) / 2;
        if (fitsLimit(resolution, middle, voxelLimit)) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return static_cast<int32_t>(low);
}

} // namespace VdbBridge
