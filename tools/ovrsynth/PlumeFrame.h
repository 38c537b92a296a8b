// One plume frame as the bytes of a cache file.
#pragma once

#include "tools/cachewriter/CacheWriter.h"
#include "tools/ovrsynth/PlumeModel.h"

namespace OvrSynth {

struct FrameOptions {
    PlumeSettings plume;
    int32_t version = OvrWriter::kCurrentVersion; // below 5 the grid channels are written as 3-D zones
    int quantBits = 16;                            // grid channels; 20 or more stores raw floats
};

// Grid channels temperature (1), smoke (2), velocity (4 to 6), fuel (10) and packed colour (18);
// one particle group "plume" with positions, velocities and ids in the particle data chunk; the
// particle directory with bounds, the channel ranges and a text chunk naming the generator.
OvrWriter::Bytes buildPlumeFrame(const FrameOptions& options, int32_t frame);

} // namespace OvrSynth
