// The bounding box of a particle group's positions, computed while a particle section is read
// when the file has no particle directory.
#pragma once

#include "loader/format/FumaraFrameData.h"

namespace CacheIO {

// Extends bounds (min x, y, z, max x, y, z) by every position of the group whose coordinates sum
// to a finite value below 100000 in magnitude; the others are counted and reported once in the log.
void extendParticleBounds(FumaraFrameData::PGroup& group, float bounds[6]);

}  // namespace CacheIO
