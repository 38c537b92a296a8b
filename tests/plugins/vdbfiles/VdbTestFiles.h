// OpenVDB files with known contents for the tests, written without the test code including
// OpenVDB itself (it compiles slowly).
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace VdbTestFiles {

// One grid of a test file. Voxels from `low` to `high` (inclusive, index space) are set active
// with the values of `value`; the grid's index-to-world map is p = ijk * voxelSize + origin.
struct TestGrid {
    enum Kind { Float, Vector, Int32 } kind = Float;
    std::string name;
    std::array<int, 3> low{{0, 0, 0}};
    std::array<int, 3> high{{-1, -1, -1}};  // empty by default
    // Value of voxel (i, j, k); a vector grid stores (v, 10 v, 100 v), an int grid int(v).
    std::function<float(int, int, int)> value = [](int, int, int) { return 0.0f; };
    float background = 0.0f;
    double voxelSize = 1.0;
    std::array<double, 3> origin{{0.0, 0.0, 0.0}};
    bool frustum = false;  // a non-linear transform instead
};

// Writes the grids in order; false when the file cannot be written.
bool writeVdb(const std::string& path, const std::vector<TestGrid>& grids);

} // namespace VdbTestFiles
