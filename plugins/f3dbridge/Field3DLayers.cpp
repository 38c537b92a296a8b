#include "plugins/f3dbridge/Field3DLayers.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <map>

namespace F3dBridge {

namespace {

// Largest block order read: a block of 2^(3 * order) voxels stays below 2^21.
constexpr int MaxBlockOrder = 7;

bool boxFits(const Box& box, bool mayBeEmpty, const char* what, std::string& problem) {
    for (int axis = 0; axis < 3; ++axis)
        if (box.size(axis) > std::numeric_limits<int32_t>::max())
            return problem = std::string(what) + " too large", false;
    if (box.empty()) return mayBeEmpty || (problem = std::string(what) + " empty", false);
    // Voxel counts stay far below 2^62, so that a count times a value's bytes cannot overflow.
    int64_t voxels = 1;
    for (int axis = 0; axis < 3; ++axis) {
        if (voxels > (int64_t(1) << 62) / 64 / box.size(axis)) return problem = std::string(what) + " too large", false;
        voxels *= box.size(axis);
    }
    return true;
}

}  // namespace

void splitPartitionName(const std::string& internal, std::string& partition, int& index) {
    partition = internal;
    index = 0;
    const size_t dot = internal.rfind('.');
    if (dot == std::string::npos || dot + 1 == internal.size() || internal.size() - dot > 10) return;
    for (size_t i = dot + 1; i < internal.size(); ++i)
        if (internal[i] < '0' || internal[i] > '9') return;
    partition = internal.substr(0, dot);
    index = std::atoi(internal.c_str() + dot + 1);
}

void orderLayers(Catalogue& catalogue) {
    std::map<std::string, size_t> firstSeen;
    for (const Layer& layer : catalogue.layers) firstSeen.emplace(layer.partition, firstSeen.size());
    std::stable_sort(catalogue.layers.begin(), catalogue.layers.end(), [&](const Layer& a, const Layer& b) {
        const size_t pa = firstSeen[a.partition], pb = firstSeen[b.partition];
        return pa != pb ? pa < pb : a.partitionIndex < b.partitionIndex;
    });
}

FieldClass fieldClassNamed(const std::string& className) {
    if (className == "DenseField") return FieldClass::Dense;
    if (className == "SparseField") return FieldClass::Sparse;
    if (className == "MACField") return FieldClass::Mac;
    return FieldClass::Unsupported;
}

bool completeLayer(Layer& layer, int64_t bitsPerComponent, std::string& problem) {
    if (layer.components != 1 && layer.components != 3) return problem = "components neither 1 nor 3", false;
    if (layer.fieldClass == FieldClass::Mac && layer.components != 3) return problem = "a MAC layer of scalars", false;
    switch (bitsPerComponent) {
        case 16: layer.valueType = ValueType::Half; break;
        case 32: layer.valueType = ValueType::Float; break;
        case 64: layer.valueType = ValueType::Double; break;
        default: return problem = "bits per component neither 16, 32 nor 64", false;
    }
    if (!boxFits(layer.extents, false, "extents", problem) || !boxFits(layer.dataWindow, true, "data window", problem))
        return false;
    if (layer.fieldClass != FieldClass::Sparse) return true;

    SparseBlocks& blocks = layer.blocks;
    if (blocks.order < 0 || blocks.order > MaxBlockOrder) return problem = "block order out of range", false;
    int64_t count = 1;
    for (int axis = 0; axis < 3; ++axis) {
        const int64_t size = std::max<int64_t>(layer.dataWindow.size(axis), 0);
        if (blocks.res[axis] != (size + blocks.edge() - 1) / blocks.edge())
            return problem = "block resolution does not cover the data window", false;
        count *= blocks.res[axis];
    }
    if (blocks.count != count) return problem = "block count does not match the block resolution", false;
    if (blocks.occupied < 0 || blocks.occupied > count) return problem = "more allocated blocks than blocks", false;
    return true;
}

}  // namespace F3dBridge
