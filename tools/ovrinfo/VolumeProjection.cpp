#include "tools/ovrinfo/VolumeProjection.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace OvrInfo {

void planeSize(const int32_t resolution[3], ViewAxis axis, int& width, int& height) {
    width = axis == ViewAxis::X ? resolution[2] : resolution[0];
    height = axis == ViewAxis::Y ? resolution[2] : resolution[1];
}

Plane projectAlong(const float* values, const int32_t resolution[3], ViewAxis axis, float floor) {
    Plane plane;
    planeSize(resolution, axis, plane.width, plane.height);
    plane.values.assign(size_t(plane.width) * size_t(plane.height), 0.0f);
    const int64_t nx = resolution[0], ny = resolution[1], nz = resolution[2];
    for (int64_t k = 0; k < nz; ++k) {
        for (int64_t j = 0; j < ny; ++j) {
            const float* row = values + nx * (j + ny * k);
            // The picture row and, for the x axis, the column are the same for the whole voxel row.
            const int64_t up = axis == ViewAxis::Y ? k : ny - 1 - j;
            float* target = &plane.values[size_t(up * plane.width)];
            for (int64_t i = 0; i < nx; ++i) {
                const float excess = row[i] - floor;
                if (!(excess > 0.0f) || !std::isfinite(excess)) continue;
                target[axis == ViewAxis::X ? nz - 1 - k : i] += excess;
            }
        }
    }
    // Sums past the float range stay at the largest float, so the shading sees finite values only.
    for (float& sum : plane.values) sum = std::min(sum, std::numeric_limits<float>::max());
    return plane;
}

void finiteRange(const float* values, int64_t count, float& minimum, float& maximum) {
    bool any = false;
    minimum = maximum = 0.0f;
    for (int64_t v = 0; v < count; ++v) {
        if (!std::isfinite(values[v])) continue;
        minimum = any ? std::min(minimum, values[v]) : values[v];
        maximum = any ? std::max(maximum, values[v]) : values[v];
        any = true;
    }
}

}  // namespace OvrInfo
