// Field3D on HDF5: one group per internal partition (marked by "is_field3d_partition") with a
// "mapping" group and one group per layer; a layer's attributes describe it and its datasets hold
// the values ("data", or "u_data"/"v_data"/"w_data" for MAC layers; block tables and one row per
// allocated block for sparse layers). Half values are stored as 16-bit integers.
#include "plugins/f3dbridge/Field3DContainer.h"
#include "plugins/f3dbridge/Hdf5Handle.h"

#include <algorithm>
#include <cstring>

namespace F3dBridge {

namespace {

// A dataset may not claim more values than this many times the bytes stored for it: deflate does
// not compress further, so a larger claim would be filled in by HDF5 rather than read.
constexpr hsize_t MaxExpansion = 1100;
constexpr hsize_t StorageSlack = hsize_t(1) << 20;
constexpr size_t MaxChunkCache = size_t(1) << 30;

herr_t collectName(hid_t, const char* name, const H5L_info_t* info, void* names) {
    if (info->type == H5L_TYPE_HARD) static_cast<std::vector<std::string>*>(names)->push_back(name);
    return 0;
}

// The hard links of a group, in name order.
bool childNames(hid_t group, std::vector<std::string>& names) {
    hsize_t index = 0;
    return H5Literate(group, H5_INDEX_NAME, H5_ITER_INC, &index, collectName, &names) >= 0;
}

struct OpenDataset {
    Hdf5Handle dataset, memoryType;
    hsize_t dims[2] = {0, 0};
    int rank = 0;
    size_t elementBytes = 0;  // of one stored value
};

// The dataset `name` of group, when it holds values of the value type (half: 16-bit integers) or,
// with `bytes`, one-byte integers, and its size is backed by stored bytes. The memory type reads
// the values unchanged; a chunk cache of the given size replaces HDF5's default one.
bool openDataset(hid_t group, const char* name, ValueType valueType, bool bytes, OpenDataset& out, Failure& failure,
                 size_t chunkCache = 0) {
    if (H5Lexists(group, name, H5P_DEFAULT) <= 0) return failure.broken(std::string("no dataset ") + name);
    Hdf5Handle access(H5Pcreate(H5P_DATASET_ACCESS), H5Pclose);
    if (chunkCache > 0) H5Pset_chunk_cache(access.get(), 10007, chunkCache, 1.0);
    out.dataset = Hdf5Handle(H5Dopen2(group, name, access.get()), H5Dclose);
    Hdf5Handle type(H5Dget_type(out.dataset.get()), H5Tclose);
    Hdf5Handle space(H5Dget_space(out.dataset.get()), H5Sclose);
    if (!out.dataset.valid() || !type.valid() || !space.valid())
        return failure.broken(std::string("dataset ") + name + " unreadable");
    const H5T_class_t typeClass = H5Tget_class(type.get());
    out.elementBytes = H5Tget_size(type.get());
    const bool integer = bytes || valueType == ValueType::Half;
    const size_t wanted = bytes ? 1 : size_t(valueBytes(valueType));
    if (typeClass != (integer ? H5T_INTEGER : H5T_FLOAT) || out.elementBytes != wanted)
        return failure.broken(std::string("dataset ") + name + " of the wrong type");
    out.memoryType =
        integer ? Hdf5Handle(H5Tget_native_type(type.get(), H5T_DIR_ASCEND), H5Tclose)
                : Hdf5Handle(H5Tcopy(valueType == ValueType::Float ? H5T_NATIVE_FLOAT : H5T_NATIVE_DOUBLE), H5Tclose);
    out.rank = H5Sget_simple_extent_ndims(space.get());
    if (out.rank < 1 || out.rank > 2 || H5Sget_simple_extent_dims(space.get(), out.dims, nullptr) < 0 ||
        !out.memoryType.valid())
        return failure.broken(std::string("dataset ") + name + " of the wrong shape");
    hsize_t values = out.dims[0] * (out.rank == 2 ? out.dims[1] : 1);
    if (out.rank == 2 && out.dims[1] != 0 && values / out.dims[1] != out.dims[0]) values = ~hsize_t(0);
    const hsize_t stored = H5Dget_storage_size(out.dataset.get());
    if (values / MaxExpansion > stored + StorageSlack)
        return failure.broken(std::string("dataset ") + name + " larger than its stored data");
    return true;
}

bool hasShape(const OpenDataset& data, hsize_t rows, hsize_t columns) {
    return columns == 0 ? data.rank == 1 && data.dims[0] == rows
                        : data.rank == 2 && data.dims[0] == rows && data.dims[1] == columns;
}

// Reads the values of a one-dimensional selection (start, stride, count, block) of a dataset.
bool readSelection(const OpenDataset& data, const hsize_t* start, const hsize_t* stride, const hsize_t* count,
                   const hsize_t* block, hsize_t values, void* out, Failure& failure) {
    Hdf5Handle fileSpace(H5Dget_space(data.dataset.get()), H5Sclose);
    Hdf5Handle memorySpace(H5Screate_simple(1, &values, nullptr), H5Sclose);
    if (!fileSpace.valid() || !memorySpace.valid() ||
        H5Sselect_hyperslab(fileSpace.get(), H5S_SELECT_SET, start, stride, count, block) < 0 ||
        H5Dread(data.dataset.get(), data.memoryType.get(), memorySpace.get(), fileSpace.get(), H5P_DEFAULT, out) < 0)
        return failure.broken("HDF5 could not read a dataset's values");
    return true;
}

bool readAll(const OpenDataset& data, std::vector<unsigned char>& out, Failure& failure) {
    out.resize(size_t(data.dims[0]) * data.elementBytes);
    return H5Dread(data.dataset.get(), data.memoryType.get(), H5S_ALL, H5S_ALL, H5P_DEFAULT, out.data()) >= 0 ||
           failure.broken("HDF5 could not read a block table");
}

// A dense array: a one-dimensional dataset of box.voxels() * components values.
class Hdf5Array final : public StoredArray {
public:
    Hdf5Array(OpenDataset data, const Box& box, int components)
        : data_(std::move(data)), box_(box), components_(hsize_t(components)) {}

    // One selection over the rows ys[0] .. ys[last]; the rows between that were not asked for are dropped.
    bool readRows(int64_t z, const int64_t* ys, size_t rowCount, int64_t x0, int64_t count,
                  std::vector<unsigned char>& out, Failure& failure) override {
        const hsize_t span = hsize_t(ys[rowCount - 1] - ys[0] + 1);
        const hsize_t voxel =
            hsize_t(((z - box_.min[2]) * box_.size(1) + (ys[0] - box_.min[1])) * box_.size(0) + (x0 - box_.min[0]));
        const hsize_t start = voxel * components_, stride = hsize_t(box_.size(0)) * components_;
        const hsize_t block = hsize_t(count) * components_;
        const size_t rowBytes = size_t(block) * data_.elementBytes;
        bool consecutive = true;
        for (size_t row = 0; row < rowCount; ++row) consecutive = consecutive && ys[row] == ys[0] + int64_t(row);
        std::vector<unsigned char>& read = consecutive ? out : span_;
        read.resize(size_t(span) * rowBytes);
        if (!readSelection(data_, &start, &stride, &span, &block, span * block, read.data(), failure)) return false;
        if (consecutive) return true;
        out.resize(rowCount * rowBytes);
        for (size_t row = 0; row < rowCount; ++row)
            std::memcpy(out.data() + row * rowBytes, span_.data() + size_t(ys[row] - ys[0]) * rowBytes, rowBytes);
        return true;
    }

private:
    const OpenDataset data_;
    const Box box_;
    const hsize_t components_;
    std::vector<unsigned char> span_;
};

// A sparse layer's blocks: one row of the "data" dataset per allocated block.
class Hdf5Blocks final : public StoredBlocks {
public:
    explicit Hdf5Blocks(OpenDataset data) : data_(std::move(data)) {}

    bool readBlock(int64_t occupied, std::vector<unsigned char>& out, Failure& failure) override {
        Hdf5Handle fileSpace(H5Dget_space(data_.dataset.get()), H5Sclose);
        const hsize_t start[2] = {hsize_t(occupied), 0}, count[2] = {1, data_.dims[1]};
        Hdf5Handle memorySpace(H5Screate_simple(1, &data_.dims[1], nullptr), H5Sclose);
        if (!fileSpace.valid() || !memorySpace.valid() ||
            H5Sselect_hyperslab(fileSpace.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) < 0 ||
            H5Dread(data_.dataset.get(), data_.memoryType.get(), memorySpace.get(), fileSpace.get(), H5P_DEFAULT,
                    out.data()) < 0)
            return failure.broken("HDF5 could not read a sparse block");
        return true;
    }

private:
    const OpenDataset data_;
};

class Hdf5Field3D final : public Field3DContainer {
public:
    explicit Hdf5Field3D(Hdf5Handle file) : file_(std::move(file)) {}

    bool readCatalogue(Catalogue& catalogue, Failure& failure) override {
        std::vector<std::string> partitions;
        if (!childNames(file_.get(), partitions)) return failure.broken("the root group cannot be listed");
        for (const std::string& partitionName : partitions) {
            Hdf5Handle partition;
            if (!openHdf5Group(file_.get(), partitionName, partition))
                return failure.broken("group " + partitionName + " unreadable");
            if (!partition.valid() || H5Aexists(partition.get(), "is_field3d_partition") <= 0) continue;
            auto mapping = std::make_shared<Mapping>();
            std::vector<std::string> layers;
            if (!readMapping(partition.get(), *mapping, failure)) return false;
            if (!childNames(partition.get(), layers)) return failure.broken("a partition cannot be listed");
            for (const std::string& layerName : layers) {
                Hdf5Handle group;
                if (layerName == "mapping") continue;
                if (!openHdf5Group(partition.get(), layerName, group))
                    return failure.broken("group " + layerName + " unreadable");
                if (group.valid() && !readLayer(partitionName, layerName, group.get(), mapping, catalogue, failure))
                    return false;
            }
        }
        return true;
    }

    std::unique_ptr<StoredArray> openArray(const Layer& layer, const char* name, const Box& box, int components,
                                           Failure& failure) override {
        const Hdf5Handle group = layerGroup(layer);
        OpenDataset data;
        if (!openDataset(group.get(), name, layer.valueType, false, data, failure)) return nullptr;
        if (!hasShape(data, hsize_t(box.voxels()) * hsize_t(components), 0))
            return failure.broken("a dataset of the wrong size"), nullptr;
        // Keep the chunks that one slice of the box touches, so that consecutive slices do not
        // decompress them again.
        Hdf5Handle creation(H5Dget_create_plist(data.dataset.get()), H5Pclose);
        hsize_t chunk = 0;
        if (creation.valid() && H5Pget_layout(creation.get()) == H5D_CHUNKED &&
            H5Pget_chunk(creation.get(), 1, &chunk) == 1) {
            const size_t slice = size_t(box.size(0) * box.size(1) * components) * data.elementBytes;
            const size_t chunkBytes = size_t(std::min<hsize_t>(chunk, MaxChunkCache)) * data.elementBytes;
            const size_t cache = std::min(MaxChunkCache, slice + 2 * chunkBytes);
            if (!openDataset(group.get(), name, layer.valueType, false, data, failure, cache)) return nullptr;
        }
        return std::make_unique<Hdf5Array>(std::move(data), box, components);
    }

    bool openSparse(const Layer& layer, SparseArrays& arrays, Failure& failure) override {
        const Hdf5Handle group = layerGroup(layer);
        const hsize_t count = hsize_t(layer.blocks.count), components = hsize_t(layer.components);
        OpenDataset allocated, empty, data;
        if (!openDataset(group.get(), "block_is_allocated_data", layer.valueType, true, allocated, failure) ||
            !openDataset(group.get(), "block_empty_value_data", layer.valueType, false, empty, failure))
            return false;
        if (!hasShape(allocated, count, 0) || !hasShape(empty, count * components, 0))
            return failure.broken("layer " + layer.name + " has block tables of the wrong size");
        if (!readAll(allocated, arrays.allocated, failure) || !readAll(empty, arrays.emptyValues, failure))
            return false;
        if (layer.blocks.occupied == 0) return true;
        if (!openDataset(group.get(), "data", layer.valueType, false, data, failure)) return false;
        if (!hasShape(data, hsize_t(layer.blocks.occupied), hsize_t(layer.blocks.voxelsPerBlock()) * components))
            return failure.broken("layer " + layer.name + " stores its blocks in a dataset of the wrong size");
        arrays.blocks = std::make_unique<Hdf5Blocks>(std::move(data));
        return true;
    }

private:
    struct LayerPath {
        std::string partition, layer;
    };

    // The layer's group, found again (invalid if that fails; its datasets are then missing).
    Hdf5Handle layerGroup(const Layer& layer) const {
        const LayerPath& path = layerPaths_[layer.location];
        Hdf5Handle partition, group;
        if (openHdf5Group(file_.get(), path.partition, partition) && partition.valid())
            openHdf5Group(partition.get(), path.layer, group);
        return group;
    }

    bool readMapping(hid_t partition, Mapping& mapping, Failure& failure) {
        Hdf5Handle group;
        if (!openHdf5Group(partition, "mapping", group) || !group.valid() ||
            !readHdf5Text(group.get(), "mapping_type", mapping.type))
            return failure.broken("a partition without a mapping");
        if (mapping.type != "MatrixFieldMapping") return true;
        int64_t samples = 0;
        double values[16];
        if (!readHdf5Integers(group.get(), "num_time_samples", &samples, 1)) {
            // Files from before time-varying mappings hold one matrix.
            if (!readHdf5Floats(group.get(), "local_to_world", values, 16))
                return failure.broken("a matrix mapping without a matrix");
            mapping.samples.push_back({0.0f, {}});
            std::copy(values, values + 16, mapping.samples.back().localToWorld.begin());
            return true;
        }
        if (samples < 0 || samples > Mapping::MaxSamples) return failure.broken("a mapping's sample count is wrong");
        for (int64_t i = 0; i < samples; ++i) {
            const std::string index = std::to_string(i);
            double time = 0;
            if (!readHdf5Floats(group.get(), ("time_" + index).c_str(), &time, 1) ||
                !readHdf5Floats(group.get(), ("matrix_" + index).c_str(), values, 16))
                return failure.broken("a mapping sample is missing");
            mapping.samples.push_back({float(time), {}});
            std::copy(values, values + 16, mapping.samples.back().localToWorld.begin());
        }
        return true;
    }

    bool readLayer(const std::string& partitionName, const std::string& layerName, hid_t group,
                   const std::shared_ptr<const Mapping>& mapping, Catalogue& catalogue, Failure& failure) {
        std::string kind;
        if (!readHdf5Text(group, "class_type", kind) || kind != "field3d_layer") return true;  // not a layer
        Layer layer;
        layer.name = layerName;
        layer.internalPartition = partitionName;
        splitPartitionName(partitionName, layer.partition, layer.partitionIndex);
        layer.mapping = mapping;
        if (!readHdf5Text(group, "class_name", layer.className))
            return failure.broken("layer " + layerName + " without a class");
        layer.fieldClass = fieldClassNamed(layer.className);
        if (layer.fieldClass != FieldClass::Unsupported && !readLayout(group, layer, failure)) return false;
        layer.location = layerPaths_.size();
        layerPaths_.push_back({partitionName, layerName});
        catalogue.layers.push_back(std::move(layer));
        return true;
    }

    bool readLayout(hid_t group, Layer& layer, Failure& failure) {
        int64_t extents[6], window[6], components = 0, bits = 0, order = -1;
        const bool read = readHdf5Integers(group, "extents", extents, 6) &&
                          readHdf5Integers(group, "data_window", window, 6) &&
                          readHdf5Integers(group, "components", &components, 1) &&
                          readHdf5Integers(group, "bits_per_component", &bits, 1) &&
                          (layer.fieldClass != FieldClass::Sparse ||
                           (readHdf5Integers(group, "block_order", &order, 1) &&
                            readHdf5Integers(group, "block_res", layer.blocks.res, 3) &&
                            readHdf5Integers(group, "num_blocks", &layer.blocks.count, 1) &&
                            readHdf5Integers(group, "num_occupied_blocks", &layer.blocks.occupied, 1)));
        if (!read) return failure.broken("layer " + layer.name + " lacks an attribute of its layout");
        for (int axis = 0; axis < 3; ++axis) {
            layer.extents.min[axis] = extents[axis], layer.extents.max[axis] = extents[3 + axis];
            layer.dataWindow.min[axis] = window[axis], layer.dataWindow.max[axis] = window[3 + axis];
        }
        layer.components = components == 1 || components == 3 ? int(components) : 0;
        layer.blocks.order = order >= 0 && order < 64 ? int(order) : -1;
        std::string problem;
        if (!completeLayer(layer, bits, problem)) return failure.broken("layer " + layer.name + ": " + problem);
        return true;
    }

    Hdf5Handle file_;
    std::vector<LayerPath> layerPaths_;  // by Layer::location
};

}  // namespace

std::unique_ptr<Field3DContainer> openHdf5Container(const char* path, Failure& failure) {
    // Failures are reported through results; HDF5 would otherwise print its error stack.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    Hdf5Handle access(H5Pcreate(H5P_FILE_ACCESS), H5Pclose);
    H5Pset_fclose_degree(access.get(), H5F_CLOSE_STRONG);
    Hdf5Handle file(H5Fopen(path, H5F_ACC_RDONLY, access.get()), H5Fclose);
    if (!file.valid()) return failure.broken("HDF5 cannot open the file"), nullptr;
    return std::make_unique<Hdf5Field3D>(std::move(file));
}

}  // namespace F3dBridge
