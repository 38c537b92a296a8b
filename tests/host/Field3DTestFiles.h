// Field3D files in the Ogawa container with known contents, for what the shared samples written by
// Field3D lack (negative windows, partitions of several resolutions, empty values, null mappings).
// Dense values are knownValue(i, j, k) at voxel index (i, j, k); a vector's components are
// (v, 10 v, 100 v). Values are stored as float or, with bits 16, as half (exact for these).
#pragma once

#define IMATH_HALF_NO_LOOKUP_TABLE
#include <Imath/half.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace Field3DTestFiles {

inline float knownValue(int64_t i, int64_t j, int64_t k) { return float(i + 4 * j + 16 * k); }

// Sparse layers (block order 1) have one empty value per block; the blocks listed in `allocated`
// hold knownValue, the others their empty value.
struct TestLayer {
    TestLayer(std::string name, std::array<int32_t, 6> window, int components = 1, int bits = 32,
              std::vector<float> emptyValues = {}, std::vector<int> allocated = {})
        : name(std::move(name)),
          window(window),
          components(components),
          bits(bits),
          sparse(!emptyValues.empty()),
          emptyValues(std::move(emptyValues)),
          allocated(std::move(allocated)) {}

    std::string name;
    std::array<int32_t, 6> window;  // min x, y, z, max x, y, z; the extents are the window grown by 2
    int components, bits;
    bool sparse;
    std::vector<float> emptyValues;
    std::vector<int> allocated;
};

struct TestPartition {
    std::string name;  // internal, e.g. "fluid.1"
    std::vector<TestLayer> layers;
    bool nullMapping = false;  // else a matrix mapping: scale 2, translation (1, 2, 3)
};

class OgawaBytes {
public:
    uint64_t data(const std::string& content) {
        const uint64_t at = bytes_.size();
        u64(content.size());
        bytes_ += content;
        return at | uint64_t(1) << 63;
    }
    uint64_t group(const std::vector<uint64_t>& children) {
        const uint64_t at = bytes_.size();
        u64(children.size());
        for (uint64_t child : children) u64(child);
        return at;
    }
    // A Field3D object: kind 0 group (payload: objects), 1 attribute, 2 dataset (payload: data).
    uint64_t object(const std::string& name, int32_t kind, std::vector<uint64_t> payload, int32_t type = 0) {
        std::vector<uint64_t> children{data(name), data(raw(kind))};
        if (kind != 0) children.push_back(data(raw(type)));
        children.insert(children.end(), payload.begin(), payload.end());
        return group(children);
    }
    uint64_t attribute(const std::string& name, int32_t type, const std::string& value) {
        return object(name, 1, {data(value)}, type);
    }
    std::string finish(uint64_t root) {
        std::memcpy(&bytes_[8], &root, 8);
        return bytes_;
    }
    template <class T>
    static std::string raw(const T& value) {
        return std::string(reinterpret_cast<const char*>(&value), sizeof value);
    }

private:
    void u64(uint64_t value) { bytes_ += raw(value); }
    std::string bytes_ = std::string("Ogawa\xff\x00\x01", 8) + std::string(8, '\0');
};

// The stored bytes of one value (all components) at voxel index (i, j, k), or of a given value.
inline std::string storedValue(const TestLayer& layer, float value) {
    std::string out;
    for (int c = 0; c < layer.components; ++c) {
        const float v = value * (c == 0 ? 1 : c == 1 ? 10 : 100);
        out += layer.bits == 16 ? OgawaBytes::raw(uint16_t(imath_float_to_half(v))) : OgawaBytes::raw(v);
    }
    return out;
}

inline uint64_t writeLayer(OgawaBytes& file, const TestLayer& layer) {
    const auto& w = layer.window;
    const int32_t type = (layer.bits == 16 ? 8 : 9) + (layer.components == 3 ? 3 : 0);
    std::vector<uint64_t> objects{file.attribute("class_type", 16, "field3d_layer"),
                                  file.attribute("class_name", 16, layer.sparse ? "SparseField" : "DenseField"),
                                  file.attribute("components", 4, OgawaBytes::raw(int32_t(layer.components))),
                                  file.attribute("bits_per_component", 4, OgawaBytes::raw(int32_t(layer.bits)))};
    const char* boxes[4] = {"extents_min", "extents_max", "data_window_min", "data_window_max"};
    for (int b = 0; b < 4; ++b) {
        std::array<int32_t, 3> corner{w[b % 2 * 3], w[b % 2 * 3 + 1], w[b % 2 * 3 + 2]};
        for (int32_t& v : corner) v += b == 0 ? -2 : b == 1 ? 2 : 0;
        objects.push_back(file.attribute(boxes[b], 14, OgawaBytes::raw(corner)));
    }
    auto voxels = [&](int32_t x0, int32_t y0, int32_t z0, int32_t edgeX, int32_t edgeY, int32_t edgeZ) {
        std::string out;
        for (int32_t k = z0; k < z0 + edgeZ; ++k)
            for (int32_t j = y0; j < y0 + edgeY; ++j)
                for (int32_t i = x0; i < x0 + edgeX; ++i) out += storedValue(layer, knownValue(i, j, k));
        return out;
    };
    if (!layer.sparse) {
        objects.push_back(file.object(
            "data", 2, {file.data(voxels(w[0], w[1], w[2], w[3] - w[0] + 1, w[4] - w[1] + 1, w[5] - w[2] + 1))}, type));
        return file.object(layer.name, 0, objects);
    }
    const std::array<int32_t, 3> res{(w[3] - w[0] + 2) / 2, (w[4] - w[1] + 2) / 2, (w[5] - w[2] + 2) / 2};
    std::string allocated(layer.emptyValues.size(), '\0'), empties;
    std::vector<uint64_t> blocks;
    for (int block : layer.allocated) {
        allocated[size_t(block)] = 1;
        const int32_t bi = block % res[0], bj = block / res[0] % res[1], bk = block / res[0] / res[1];
        blocks.push_back(file.data(voxels(w[0] + 2 * bi, w[1] + 2 * bj, w[2] + 2 * bk, 2, 2, 2)));
    }
    for (float e : layer.emptyValues) empties += storedValue(layer, e);
    objects.insert(
        objects.end(),
        {file.attribute("block_order", 1, "\x01"), file.attribute("block_res", 14, OgawaBytes::raw(res)),
         file.attribute("num_blocks", 5, OgawaBytes::raw(uint32_t(layer.emptyValues.size()))),
         file.attribute("num_occupied_blocks", 5, OgawaBytes::raw(uint32_t(layer.allocated.size()))),
         file.object("block_is_allocated_data", 2, {file.data(allocated)}, 1),
         file.object("block_empty_value_data", 2, {file.data(empties)}, type), file.object("data", 2, blocks, type)});
    return file.object(layer.name, 0, objects);
}

inline std::string field3dOgawa(const std::vector<TestPartition>& partitions) {
    OgawaBytes file;
    std::vector<uint64_t> roots{file.attribute("version_number", 14, OgawaBytes::raw(std::array<int32_t, 3>{1, 7, 3}))};
    for (const TestPartition& partition : partitions) {
        const std::array<double, 16> matrix{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1};
        std::vector<uint64_t> mapping{
            file.attribute("mapping_type", 16, partition.nullMapping ? "NullFieldMapping" : "MatrixFieldMapping")};
        if (!partition.nullMapping)
            mapping.insert(mapping.end(), {file.attribute("num_time_samples", 4, OgawaBytes::raw(int32_t(1))),
                                           file.attribute("time_0", 9, OgawaBytes::raw(0.0f)),
                                           file.attribute("matrix_0", 15, OgawaBytes::raw(matrix))});
        std::vector<uint64_t> objects{file.object("mapping", 0, mapping),
                                      file.attribute("is_field3d_partition", 16, "1")};
        for (const TestLayer& layer : partition.layers) objects.push_back(writeLayer(file, layer));
        roots.push_back(file.object(partition.name, 0, objects));
    }
    return file.finish(file.object("f3droot", 0, roots));
}

}  // namespace Field3DTestFiles
