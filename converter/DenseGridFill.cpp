#include "converter/VdbGrids.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

constexpr int LeafLog2 = 3;
constexpr int LeafDim = 1 << LeafLog2;

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

// One float channel per voxel.
struct ScalarSource {
    using Grid = openvdb::FloatGrid;
    const float* data;
    float operator()(int64_t index) const { return data[index]; }
};

// Three float channels per voxel, read as one vector.
struct VectorSource {
    using Grid = openvdb::Vec3fGrid;
    const float* const* data;
    openvdb::Vec3f operator()(int64_t index) const {
        return openvdb::Vec3f(data[0][index], data[1][index], data[2][index]);
    }
};

// The background is all-zero bits: a negative zero is a value like any other and stays active.
template <class Value>
bool isBackground(const Value& value) {
    static const Value zero = openvdb::zeroVal<Value>();
    return std::memcmp(&value, &zero, sizeof(Value)) == 0;
}

// Builds the leaf at origin from the dense values inside the box; outside it the background,
// inactive (only leaves on the box's far faces reach outside). Dense: every voxel of the box is
// active. Sparse: only voxels that differ from the background, and no leaf (null) without any.
template <class Source>
auto buildLeaf(const Source& source, const LeafLayout& layout, const openvdb::Coord& origin, bool sparse) {
    using Leaf = typename Source::Grid::TreeType::LeafNodeType;
    static_assert(Leaf::LOG2DIM == LeafLog2, "leaves of 8 voxels a side");
    using Value = typename Leaf::ValueType;
    std::unique_ptr<Leaf> leaf(new Leaf(origin, openvdb::zeroVal<Value>(), false));
    const int wx = std::min(LeafDim, layout.nx - origin.x());
    const int wy = std::min(LeafDim, layout.ny - origin.y());
    const int wz = std::min(LeafDim, layout.nz - origin.z());
    Value* values = leaf->buffer().data();
    const int64_t rowStride = layout.nx;
    const int64_t sliceStride = rowStride * layout.ny;

    // Leaf voxels are stored z fastest, then y, then x; the dense rows run along x.
    for (int z = 0; z < wz; ++z) {
        for (int y = 0; y < wy; ++y) {
            const int64_t row = origin.x() + rowStride * (origin.y() + y) + sliceStride * (origin.z() + z);
            const int base = (y << LeafLog2) | z;
            for (int x = 0; x < wx; ++x) values[(x << (2 * LeafLog2)) | base] = source(row + x);
        }
    }

    if (sparse) {
        // Voxels outside the box hold the background, so every voxel can be tested alike.
        for (openvdb::Index i = 0; i < Leaf::SIZE; ++i)
            if (!isBackground(values[i])) leaf->setValueOn(i);
        if (leaf->isEmpty()) leaf.reset();
    } else if (wx == LeafDim && wy == LeafDim && wz == LeafDim) {
        leaf->setValuesOn();
    } else {
        for (int x = 0; x < wx; ++x)
            for (int y = 0; y < wy; ++y)
                for (int z = 0; z < wz; ++z) leaf->setValueOn(Leaf::coordToOffset(origin.offsetBy(x, y, z)));
    }
    return leaf;
}

template <class Source>
typename Source::Grid::Ptr fillFromDense(const Source& source, const int size[3], const char* name, bool sparse) {
    using Grid = typename Source::Grid;
    using Leaf = typename Grid::TreeType::LeafNodeType;
    typename Grid::Ptr grid = Grid::create(openvdb::zeroVal<typename Grid::ValueType>());
    grid->setName(name);
    const int nx = size[0], ny = size[1], nz = size[2];
    if (nx <= 0 || ny <= 0 || nz <= 0) return grid;

    const LeafLayout layout = {nx, ny, nz, (nx - 1) / LeafDim + 1, (ny - 1) / LeafDim + 1, (nz - 1) / LeafDim + 1};
    const size_t leafCount = static_cast<size_t>(layout.lx) * layout.ly * layout.lz;
    std::vector<std::unique_ptr<Leaf>> leaves(leafCount);
    tbb::parallel_for(tbb::blocked_range<size_t>(0, leafCount), [&](const tbb::blocked_range<size_t>& range) {
        for (size_t i = range.begin(); i != range.end(); ++i)
            leaves[i] = buildLeaf(source, layout, layout.origin(i), sparse);
    });

    // Linking the leaves into the tree is cheap next to filling them. The tree owns a leaf once
    // addLeaf returns; until then (it may fail making the nodes above) the leaf is still ours.
    auto& tree = grid->tree();
    for (std::unique_ptr<Leaf>& leaf : leaves) {
        if (!leaf) continue;
        tree.addLeaf(leaf.get());
        leaf.release();
    }
    return grid;
}

} // namespace

void fillGridFromDense(const float* data, openvdb::FloatGrid::Ptr& grid, int nx, int ny, int nz, const char* name,
                       bool sparse) {
    const int size[3] = {nx, ny, nz};
    grid = fillFromDense(ScalarSource{data}, size, name, sparse);
}

void fillVectorGridFromDense(const float* const components[3], openvdb::Vec3fGrid::Ptr& grid, const int size[3],
                             const char* name, bool sparse) {
    grid = fillFromDense(VectorSource{components}, size, name, sparse);
}
