#include "tools/ovrinfo/TransformText.h"

#include "converter/FrameTransform.h"
#include "tools/ovrinfo/TextTable.h"

#include <algorithm>
#include <cmath>

namespace OvrInfo {
namespace {

// Lengths that differ by less than this fraction count as one voxel size.
constexpr double UniformTolerance = 1e-6;

std::string voxelSizeText(const double matrix[16]) {
    double size[3];
    for (int r = 0; r < 3; ++r)
        size[r] = std::sqrt(matrix[4 * r] * matrix[4 * r] + matrix[4 * r + 1] * matrix[4 * r + 1] +
                            matrix[4 * r + 2] * matrix[4 * r + 2]);
    const double largest = std::max({size[0], size[1], size[2]});
    const double smallest = std::min({size[0], size[1], size[2]});
    if (largest - smallest <= UniformTolerance * largest) return formatValue(size[0]);
    return "(" + formatValue(size[0]) + ", " + formatValue(size[1]) + ", " + formatValue(size[2]) + ")";
}

}  // namespace

std::vector<std::string> transformLines(const float transform[12]) {
    std::string cells[12];
    size_t width = 0;
    for (int i = 0; i < 12; ++i) {
        cells[i] = formatValue(transform[i]);
        width = std::max(width, cells[i].size());
    }
    auto row = [&](const char* label, int first) {
        std::string line = label;
        for (int i = first; i < first + 3; ++i) line += "  " + std::string(width - cells[i].size(), ' ') + cells[i];
        return line;
    };
    std::vector<std::string> lines = {"world to grid, p * A + o:", row("  A", 0), row("   ", 3), row("   ", 6),
                                      row("  o", 9)};

    double matrix[16];
    if (indexToWorldMatrix(transform, matrix)) {
        const float origin[3] = {static_cast<float>(matrix[12]), static_cast<float>(matrix[13]),
                                 static_cast<float>(matrix[14])};
        lines.push_back("voxel size " + voxelSizeText(matrix) + ", voxel (0, 0, 0) at world " + formatTriple(origin));
    } else {
        lines.push_back("A cannot be inverted: cacheconv cannot write this frame");
    }
    return lines;
}

}  // namespace OvrInfo
