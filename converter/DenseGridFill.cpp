#include "converter/VdbGrids.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace {

using FloatLeaf = openvdb::FloatTree::LeafNodeType;
constexpr int LeafDim = static_cast<int>(FloatLeaf::DIM);

// The leaves that cover the dense box, numbered x fastest, then y, then z.
struct LeafLayout {
    int nx, ny, nz;       // voxels
    int lx, ly, lz;       // leaves per axis

    openvdb::Coord origin(size_t leaf) const {
        const int ix = static_cast<int>(leaf % lx);
        const int iy = static_cast<int>((leaf / lx) % ly);
        const int iz = static_cast<int>(leaf / (static_cast<size_t>(lx) * ly));
        return openvdb::Coord(ix * LeafDim, iy * LeafDim, iz * LeafDim);
    }
};

// Builds the leaf at origin: the dense values inside the box, active; background 0 and inactive
// outside it (only leaves on the box's far faces reach outside).
std::unique_ptr<FloatLeaf> buildLeaf(const float* data, const LeafLayout& layout, const openvdb::Coord& origin) {
    std::unique_ptr<FloatLeaf> leaf(new FloatLeaf(origin, 0.0f, false));
    const int wx = std::min(LeafDim, layout.nx - origin.x());
    const int wy = std::min(LeafDim, layout.ny - origin.y());
    const int wz = std::min(LeafDim, layout.nz - origin.z());
    float* values = leaf->buffer().data();
    const int64_t rowStride = layout.nx;
    const int64_t sliceStride = rowStride * layout.ny;

    // Leaf voxels are stored z fastest, then y, then x; the dense rows run along x.
    for (int z = 0; z < wz; ++z) {
        for (int y = 0; y < wy; ++y) {
            const float* row = data + origin.x() + rowStride * (origin.y() + y) + sliceStride * (origin.z() + z);
            const int base = (y << FloatLeaf::LOG2DIM) | z;
            for (int x = 0; x < wx; ++x) values[(x << (2 * FloatLeaf::LOG2DIM)) | base] = row[x];
        }
    }

    if (wx == LeafDim && wy == LeafDim && wz == LeafDim) {
        leaf->setValuesOn();
    } else {
        for (int x = 0; x < wx; ++x)
            for (int y = 0; y < wy; ++y)
                for (int z = 0; z < wz; ++z) leaf->setValueOn(FloatLeaf::coordToOffset(origin.offsetBy(x, y, z)));
    }
    return leaf;
}

} // namespace

void fillGridFromDense(const float* data, openvdb::FloatGrid::Ptr& grid, int nx, int ny, int nz, const char* name) {
    grid = openvdb::FloatGrid::create(0.0f);
    grid->setName(name);
    if (nx <= 0 || ny <= 0 || nz <= 0) return;

    const LeafLayout layout = {nx, ny, nz, (nx - 1) / LeafDim + 1, (ny - 1) / LeafDim + 1, (nz - 1) / LeafDim + 1};
    const size_t leafCount = static_cast<size_t>(layout.lx) * layout.ly * layout.lz;
    std::vector<std::unique_ptr<FloatLeaf>> leaves(leafCount);
    tbb::parallel_for(tbb::blocked_range<size_t>(0, leafCount), [&](const tbb::blocked_range<size_t>& range) {
        for (size_t i = range.begin(); i != range.end(); ++i) leaves[i] = buildLeaf(data, layout, layout.origin(i));
    });

    // Linking the leaves into the tree is cheap next to filling them. The tree owns a leaf once
    // addLeaf returns; until then (it may fail making the nodes above) the leaf is still ours.
    openvdb::FloatTree& tree = grid->tree();
    for (std::unique_ptr<FloatLeaf>& leaf : leaves) {
        tree.addLeaf(leaf.get());
        leaf.release();
    }
}
