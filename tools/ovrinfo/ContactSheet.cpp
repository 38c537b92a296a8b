#include "tools/ovrinfo/ContactSheet.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace OvrInfo {

RgbImage layContactSheet(const std::vector<RgbImage>& tiles) {
    int cellWidth = 0, cellHeight = 0;
    for (const RgbImage& tile : tiles) {
        cellWidth = std::max(cellWidth, tile.width);
        cellHeight = std::max(cellHeight, tile.height);
    }
    const int count = int(tiles.size());
    const int columns = int(std::ceil(std::sqrt(double(count))));
    const int rows = columns > 0 ? (count + columns - 1) / columns : 0;
    RgbImage sheet(std::max(0, columns * (cellWidth + SheetGap) - SheetGap),
                   std::max(0, rows * (cellHeight + SheetGap) - SheetGap), SheetGapShade);
    for (int t = 0; t < count; ++t) {
        const RgbImage& tile = tiles[size_t(t)];
        const int left = (t % columns) * (cellWidth + SheetGap), top = (t / columns) * (cellHeight + SheetGap);
        for (int y = 0; y < tile.height; ++y) std::memcpy(sheet.at(left, top + y), tile.at(0, y), size_t(tile.width) * 3);
    }
    return sheet;
}

RgbImage shrinkToFit(const RgbImage& picture, int limit) {
    const int factor = (std::max(picture.width, picture.height) + limit - 1) / limit;
    if (factor <= 1) return picture;
    RgbImage small((picture.width + factor - 1) / factor, (picture.height + factor - 1) / factor, 0);
    for (int y = 0; y < small.height; ++y) {
        for (int x = 0; x < small.width; ++x) {
            const int x1 = std::min(picture.width, (x + 1) * factor), y1 = std::min(picture.height, (y + 1) * factor);
            uint64_t sum[3] = {0, 0, 0}, n = 0;
            for (int sy = y * factor; sy < y1; ++sy)
                for (int sx = x * factor; sx < x1; ++sx, ++n)
                    for (int c = 0; c < 3; ++c) sum[c] += picture.at(sx, sy)[c];
            for (int c = 0; c < 3; ++c) small.at(x, y)[c] = uint8_t((sum[c] + n / 2) / n);
        }
    }
    return small;
}

}  // namespace OvrInfo
