// The contact sheet of a sequence: one tile per frame on one picture.
#pragma once

#include "tools/ovrinfo/RgbImage.h"

#include <vector>

namespace OvrInfo {

// Pixels of dark grey between neighbouring cells, and their shade.
constexpr int SheetGap = 2;
constexpr uint8_t SheetGapShade = 48;
// The largest side of a tile on a sheet, in pixels; larger frames are shrunk to fit.
constexpr int SheetTileLimit = 256;

// The tiles in the order given, left to right and top to bottom, in rows of ceil(sqrt(count));
// each cell is as large as the largest tile, and a smaller tile sits at its cell's top left.
RgbImage layContactSheet(const std::vector<RgbImage>& tiles);

// The picture shrunk by the smallest whole factor that brings both sides to at most limit pixels,
// each pixel the mean of the block it stands for; the picture itself when it fits.
RgbImage shrinkToFit(const RgbImage& picture, int limit);

}  // namespace OvrInfo
