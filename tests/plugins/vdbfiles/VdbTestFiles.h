// OpenVDB files with known contents, written without the tests including OpenVDB (it compiles slowly).
#pragma once

#include <array>
#include <string>
#include <vector>

namespace VdbTestFiles {

// The value of voxel (i, j, k) in every test grid; a vector grid holds (v, 10 v, 100 v), an int grid int(v).
inline float knownValue(int i, int j, int k) { return static_cast<float>(i + 10 * j + 100 * k); }

// One grid of a test file: the voxels from low to high (inclusive, index space) are active, and
// the index-to-world map is p = ijk * voxelSize + origin (a frustum for kind Frustum, a float grid).
struct TestGrid {
    enum Kind { Float, Vector, Int32, Frustum } kind;
    std::string name;
    std::array<int, 3> low{}, high{};  // high below low: no active voxel
    double voxelSize = 1.0;
    std::array<double, 3> origin{{0.0, 0.0, 0.0}};
    float background = 0.0f;
};

// Writes the grids in order; false when it fails.
bool writeVdb(const std::string& path, const std::vector<TestGrid>& grids);

} // namespace VdbTestFiles
