// Tone mapping of projected smoke and fire into a picture.
#pragma once

#include "tools/ovrinfo/RgbImage.h"
#include "tools/ovrinfo/VolumeProjection.h"

namespace OvrInfo {

// Smoke is light grey on black, fire is tinted over it from deep orange to yellow-white. Both
// use the same mapping of a projected sum S to a coverage 1 - exp(-k * S), with k = 3 / (the
// largest S of the picture): the densest line of sight comes out 95% covered whatever the units
// and amount of the channel, so any frame shows, and thinner parts keep their gradation. The two
// planes have the same size; a plane of zeros adds nothing.
RgbImage shadePreview(const Plane& smoke, const Plane& fire);

}  // namespace OvrInfo
