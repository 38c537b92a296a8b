// An 8-bit RGB picture, as ovrinfo's previews are drawn and written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace OvrInfo {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // red, green, blue per pixel; rows from top to bottom

    RgbImage() = default;
    // A picture filled with one grey shade.
    RgbImage(int w, int h, uint8_t shade) : width(w), height(h), pixels(size_t(w) * size_t(h) * 3, shade) {}

    uint8_t* at(int x, int y) { return &pixels[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
    const uint8_t* at(int x, int y) const { return &pixels[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
};

}  // namespace OvrInfo
