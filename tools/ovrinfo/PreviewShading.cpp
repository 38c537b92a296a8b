#include "tools/ovrinfo/PreviewShading.h"

#include <algorithm>
#include <cmath>

namespace OvrInfo {
namespace {

// -ln(0.05): the largest sum maps to 95% coverage.
constexpr float FullCoverage = 2.9957323f;
constexpr float SmokeShade = 0.92f;

// The k of the mapping for a plane; 0 for a plane without positive sums.
float coverageScale(const Plane& plane) {
    float largest = 0.0f;
    for (float s : plane.values) largest = std::max(largest, s);
    return largest > 0.0f ? FullCoverage / largest : 0.0f;
}

uint8_t toByte(float v) { return uint8_t(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

}  // namespace

RgbImage shadePreview(const Plane& smoke, const Plane& fire) {
    RgbImage picture(smoke.width, smoke.height, 0);
    const float smokeScale = coverageScale(smoke), fireScale = coverageScale(fire);
    for (size_t p = 0; p < smoke.values.size(); ++p) {
        const float grey = SmokeShade * (1.0f - std::exp(-smokeScale * smoke.values[p]));
        const float f = 1.0f - std::exp(-fireScale * fire.values[p]);
        const float flame[3] = {1.0f, 0.25f + 0.65f * f, 0.05f + 0.6f * f * f};
        uint8_t* out = &picture.pixels[p * 3];
        for (int c = 0; c < 3; ++c) out[c] = toByte(grey * (1.0f - f) + flame[c] * f);
    }
    return picture;
}

}  // namespace OvrInfo
