// What a Field3D file says about its layers, whichever container holds them: the catalogue that
// the containers fill and that naming, resampling and the frame transform read.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#pragma GCC visibility push(hidden)

namespace F3dBridge {

enum class ValueType { Half, Float, Double };
// Bytes of one component.
inline int valueBytes(ValueType type) { return type == ValueType::Half ? 2 : type == ValueType::Float ? 4 : 8; }

enum class FieldClass { Dense, Sparse, Mac, Unsupported };

// An inclusive box of voxel indices, as Field3D stores extents and data windows.
struct Box {
    int64_t min[3] = {0, 0, 0};
    int64_t max[3] = {-1, -1, -1};

    int64_t size(int axis) const { return max[axis] - min[axis] + 1; }
    bool empty() const { return size(0) <= 0 || size(1) <= 0 || size(2) <= 0; }
    // Voxels of a non-empty box; the caller has checked that each size fits in 32 bits.
    int64_t voxels() const { return empty() ? 0 : size(0) * size(1) * size(2); }
    bool contains(int axis, int64_t index) const { return index >= min[axis] && index <= max[axis]; }
};

// A partition's mapping from local space (the unit cube over a layer's extents) to world space.
struct Mapping {
    using Matrix = std::array<double, 16>;  // row-major, row vectors: world = [x y z 1] * M
    struct Sample {
        float time;
        Matrix localToWorld;
    };

    static constexpr int64_t MaxSamples = 1024;  // more are taken for a damaged file

    std::string type;             // "MatrixFieldMapping", "NullFieldMapping", ...
    std::vector<Sample> samples;  // of a matrix mapping; none: identity
};

// The blocks of a sparse layer. Block (bi, bj, bk) covers the voxels from
// dataWindow.min + (bi, bj, bk) * 2^order on; its index is bi + bj * res[0] + bk * res[0] * res[1].
struct SparseBlocks {
    int order = 0;
    int64_t res[3] = {0, 0, 0};
    int64_t count = 0;     // res[0] * res[1] * res[2]
    int64_t occupied = 0;  // allocated blocks, stored in block order

    int64_t edge() const { return int64_t(1) << order; }
    int64_t voxelsPerBlock() const { return int64_t(1) << (3 * order); }
};

struct Layer {
    std::string partition;          // as users name it: the internal name without its ".N"
    int partitionIndex = 0;         // N of the internal partition
    std::string internalPartition;  // as stored, e.g. "smoke.0"
    std::string name;
    std::string className;  // "DenseField", "SparseField", "MACField", ...
    FieldClass fieldClass = FieldClass::Unsupported;
    ValueType valueType = ValueType::Float;
    int components = 1;
    Box extents, dataWindow;
    SparseBlocks blocks;
    std::shared_ptr<const Mapping> mapping;  // shared by the layers of a partition
    size_t location = 0;                     // where the container finds the layer's data (its own numbering)
};

struct Catalogue {
    std::vector<Layer> layers;  // partitions in order of first appearance, ".N" ascending, then file order
};

// The user's name of an internal partition ("smoke.0" -> "smoke", index 0); a name without a
// numeric ".N" suffix is kept whole with index 0.
void splitPartitionName(const std::string& internal, std::string& partition, int& index);
// Orders the layers as Catalogue::layers says, keeping file order among equals.
void orderLayers(Catalogue& catalogue);

// The class that a layer's "class_name" names; Unsupported for every class that is not read.
FieldClass fieldClassNamed(const std::string& className);

// Checks what a container read about a layer of a class that is read (its components, bits per
// component, extents, data window and block layout) and sets its value type; false with a message
// for a layer that breaks Field3D's layout.
bool completeLayer(Layer& layer, int64_t bitsPerComponent, std::string& problem);

}  // namespace F3dBridge

#pragma GCC visibility pop
