// Writing a picture as a PNG file, complete or not at all.
#pragma once

#include "tools/ovrinfo/RgbImage.h"

#include <string>

namespace OvrInfo {

// Encodes the picture as an 8-bit RGB PNG in memory with libpng, then writes the bytes through
// an atomic file. False, with the reason in error, when the picture cannot be encoded or the file
// cannot be written; the destination is then left as it was.
bool writePng(const std::string& path, const RgbImage& picture, std::string& error);

}  // namespace OvrInfo
