// The frame's world-to-grid map for a layer: the inverse of its voxel-to-world map, moved so that
// the centre of the data window's first voxel lands at grid (0, 0, 0), then reduced.
#pragma once

#include "plugins/f3dbridge/Failure.h"
#include "plugins/f3dbridge/Field3DLayers.h"

#pragma GCC visibility push(hidden)

namespace F3dBridge {

// The local-to-world matrix a mapping gives at time 0: its samples interpolated linearly (the
// first before them, the last after them, a later sample of an equal time replacing an earlier
// one), identity without samples. False for a mapping that is no matrix mapping.
bool localToWorldAtTimeZero(const Mapping& mapping, Mapping::Matrix& matrix);

// World position p (a row vector) lands at p * A + o, with A the rows out[0..2], out[3..5],
// out[6..8] and o = out[9..11]. Frame voxel V covers the layer's voxels
// dataWindow.min + V * reduction + (0 .. reduction - 1) along each axis, so its centre is their
// mean. False (and the failure) for a mapping that is not affine and invertible.
bool frameTransform(const Layer& layer, int64_t reduction, float out[12], Failure& failure);

}  // namespace F3dBridge

#pragma GCC visibility pop
