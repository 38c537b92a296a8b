// The preview picture of one frame file.
#pragma once

#include "tools/ovrinfo/RgbImage.h"
#include "tools/ovrinfo/VolumeProjection.h"

#include <string>

namespace OvrInfo {

// Loads the frame at path and draws its smoke seen along axis, with fire from its temperature
// (or, without one, its fuel) tinted on top; a channel the frame lacks adds nothing, so a frame
// with neither gives a black picture. Fire counts only what exceeds a point 30% of the way up the
// channel's range in the frame: flames show where the frame is hot, an ambient temperature never
// glows.
// False with a one-line reason in error when the frame does not load, has no voxels, or holds one
// of these channels but it does not decode.
bool previewFrame(const std::string& path, ViewAxis axis, RgbImage& picture, std::string& error);

}  // namespace OvrInfo
