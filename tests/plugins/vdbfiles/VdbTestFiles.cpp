#include "tests/plugins/vdbfiles/VdbTestFiles.h"

#include <openvdb/math/Maps.h>
#include <openvdb/openvdb.h>

namespace VdbTestFiles {

namespace {

template <class GridT, class Convert>
openvdb::GridBase::Ptr makeGrid(const TestGrid& testGrid, Convert convert) {
    typename GridT::Ptr grid = GridT::create(convert(testGrid.background));
    typename GridT::Accessor accessor = grid->getAccessor();
    for (int k = testGrid.low[2]; k <= testGrid.high[2]; ++k)
        for (int j = testGrid.low[1]; j <= testGrid.high[1]; ++j)
            for (int i = testGrid.low[0]; i <= testGrid.high[0]; ++i)
                accessor.setValue(openvdb::Coord(i, j, k), convert(knownValue(i, j, k)));
    grid->setName(testGrid.name);
    const openvdb::BBoxd frustum(openvdb::Vec3d(0, 0, 0), openvdb::Vec3d(10, 10, 10));
    grid->setTransform(testGrid.kind == TestGrid::Frustum
                           ? openvdb::math::Transform::createFrustumTransform(frustum, 0.5, 2.0, testGrid.voxelSize)
                           : openvdb::math::Transform::createLinearTransform(testGrid.voxelSize));
    if (testGrid.kind != TestGrid::Frustum)
        grid->transform().postTranslate(openvdb::Vec3d(testGrid.origin[0], testGrid.origin[1], testGrid.origin[2]));
    return grid;
}

openvdb::GridBase::Ptr makeGrid(const TestGrid& testGrid) {
    if (testGrid.kind == TestGrid::Vector)
        return makeGrid<openvdb::Vec3SGrid>(testGrid, [](float v) { return openvdb::Vec3s(v, 10 * v, 100 * v); });
    if (testGrid.kind == TestGrid::Int32) return makeGrid<openvdb::Int32Grid>(testGrid, [](float v) { return int(v); });
    return makeGrid<openvdb::FloatGrid>(testGrid, [](float v) { return v; });
}

} // namespace

bool writeVdb(const std::string& path, const std::vector<TestGrid>& grids) {
    try {
        openvdb::initialize();
        openvdb::GridPtrVec out;
        for (const TestGrid& testGrid : grids) out.push_back(makeGrid(testGrid));
        openvdb::io::File(path).write(out);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace VdbTestFiles
