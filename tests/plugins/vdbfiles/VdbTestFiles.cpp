#include "tests/plugins/vdbfiles/VdbTestFiles.h"

#include <openvdb/math/Maps.h>
#include <openvdb/openvdb.h>

namespace VdbTestFiles {

namespace {

openvdb::math::Transform::Ptr transformOf(const TestGrid& grid) {
    if (grid.frustum) {
        const openvdb::BBoxd box(openvdb::Vec3d(0, 0, 0), openvdb::Vec3d(10, 10, 10));
        return openvdb::math::Transform::createFrustumTransform(box, 0.5, 2.0, grid.voxelSize);
    }
    openvdb::math::Transform::Ptr transform = openvdb::math::Transform::createLinearTransform(grid.voxelSize);
    transform->postTranslate(openvdb::Vec3d(grid.origin[0], grid.origin[1], grid.origin[2]));
    return transform;
}

template <class GridT, class Convert>
openvdb::GridBase::Ptr makeGrid(const TestGrid& spec, typename GridT::ValueType background, Convert convert) {
    typename GridT::Ptr grid = GridT::create(background);
    typename GridT::Accessor accessor = grid->getAccessor();
    for (int k = spec.low[2]; k <= spec.high[2]; ++k)
        for (int j = spec.low[1]; j <= spec.high[1]; ++j)
            for (int i = spec.low[0]; i <= spec.high[0]; ++i)
                accessor.setValue(openvdb::Coord(i, j, k), convert(spec.value(i, j, k)));
    grid->setName(spec.name);
    grid->setTransform(transformOf(spec));
    return grid;
}

openvdb::GridBase::Ptr makeGrid(const TestGrid& spec) {
    const float b = spec.background;
    switch (spec.kind) {
    case TestGrid::Vector:
        return makeGrid<openvdb::Vec3SGrid>(spec, openvdb::Vec3s(b, 10 * b, 100 * b),
                                            [](float v) { return openvdb::Vec3s(v, 10 * v, 100 * v); });
    case TestGrid::Int32:
        return makeGrid<openvdb::Int32Grid>(spec, static_cast<int>(b), [](float v) { return static_cast<int>(v); });
    case TestGrid::Float:
        break;
    }
    return makeGrid<openvdb::FloatGrid>(spec, b, [](float v) { return v; });
}

} // namespace

bool writeVdb(const std::string& path, const std::vector<TestGrid>& grids) {
    try {
        openvdb::initialize();
        openvdb::GridPtrVec out;
        for (const TestGrid& spec : grids) out.push_back(makeGrid(spec));
        openvdb::io::File file(path);
        file.write(out);
        file.close();
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace VdbTestFiles
