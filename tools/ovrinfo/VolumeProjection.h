// Orthographic projections of a grid channel: its values summed along one axis of the grid.
#pragma once

#include <cstdint>
#include <vector>

namespace OvrInfo {

// The grid axis a view looks along (y points up in the grid):
//   Z  front view: x to the right, y up;
//   X  side view from +x: -z to the right, y up;
//   Y  top view from above: x to the right, -z up.
enum class ViewAxis { X, Y, Z };

// Values in picture order: rows from top to bottom, each from left to right.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<float> values;
};

// The picture size of a grid of resolution (x, y, z) seen along axis: the extents of the other
// two axes.
void planeSize(const int32_t resolution[3], ViewAxis axis, int& width, int& height);

// For every picture position, the sum over the voxels along the axis of the amount by which each
// exceeds floor. Values at or below floor, NaNs and infinities add nothing; a sum beyond the float
// range is the largest float.
Plane projectAlong(const float* values, const int32_t resolution[3], ViewAxis axis, float floor);

// The smallest and the largest finite value among count values; both 0 when none is finite.
void finiteRange(const float* values, int64_t count, float& minimum, float& maximum);

}  // namespace OvrInfo
