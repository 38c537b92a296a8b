// Field3D on Ogawa. Every Field3D object is an Ogawa group: child 0 its name, child 1 an int32
// kind (group, attribute, dataset, compressed dataset). A group's further children are its
// objects; an attribute's or dataset's child 2 is an int32 data type and its further children the
// data (a compressed dataset: one zlib stream per sparse block).
#include "plugins/f3dbridge/Field3DContainer.h"
#include "plugins/f3dbridge/OgawaArchive.h"

#include <zlib.h>

#include <cstring>
#include <limits>
#include <string>

namespace F3dBridge {

namespace {

enum ObjectKind : int32_t { GroupObject = 0, AttributeObject = 1, DatasetObject = 2, CompressedDatasetObject = 3 };

// Field3D's data type numbers and their sizes in bytes (16: a string, one byte per character).
enum DataType : int32_t {
    Int8,
    Uint8,
    Int16,
    Uint16,
    Int32,
    Uint32,
    Int64,
    Uint64,
    Float16,
    Float32,
    Float64,
    Vec16,
    Vec32,
    Vec64,
    VecInt32,
    Matrix64,
    String,
    DataTypeCount
};
const int typeSizes[DataTypeCount] = {1, 1, 2, 2, 4, 4, 8, 8, 2, 4, 8, 6, 12, 24, 12, 128, 1};

// Longest name or text attribute read.
constexpr int64_t MaxTextSize = 4096;

struct Object {
    std::string name;
    int32_t kind = GroupObject;
    int32_t type = -1;
    std::vector<uint64_t> payload;  // a group's objects, or the data blocks of an attribute or dataset
};
using Objects = std::vector<Object>;

template <class T>
T stored(const unsigned char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

const Object* findObject(const Objects& objects, const char* name, int32_t kind) {
    for (const Object& object : objects)
        if (object.kind == kind && object.name == name) return &object;
    return nullptr;
}

// The value type a dataset of `components` values per voxel is stored as.
int32_t storedType(ValueType type, int components) {
    const int32_t scalar = type == ValueType::Half ? Float16 : type == ValueType::Float ? Float32 : Float64;
    return components == 3 ? scalar + (Vec16 - Float16) : scalar;
}

class OgawaReader {
public:
    OgawaReader(std::FILE* file, Failure& failure) : archive(file, failure) {}

    bool object(uint64_t reference, Object& out, Failure& failure) {
        std::vector<uint64_t> children;
        std::vector<unsigned char> bytes;
        if (!archive.group(reference, children, failure)) return false;
        if (children.size() < 2 || !archive.readData(children[0], MaxTextSize, bytes, failure))
            return failure.broken("a Field3D object without a name");
        out.name.assign(bytes.begin(), bytes.end());
        if (!archive.readData(children[1], 4, bytes, failure) || bytes.size() != 4)
            return failure.broken("a Field3D object without a kind");
        std::memcpy(&out.kind, bytes.data(), 4);
        size_t first = 2;
        if (out.kind != GroupObject) {
            if (out.kind < AttributeObject || out.kind > CompressedDatasetObject || children.size() < 3 ||
                !archive.readData(children[2], 4, bytes, failure) || bytes.size() != 4)
                return failure.broken("Field3D object \"" + out.name + "\" of no known kind");
            std::memcpy(&out.type, bytes.data(), 4);
            if (out.type < 0 || out.type >= DataTypeCount)
                return failure.broken("Field3D object \"" + out.name + "\" of no known data type");
            first = 3;
        }
        out.payload.assign(children.begin() + std::ptrdiff_t(first), children.end());
        return true;
    }

    bool objects(const Object& group, Objects& out, Failure& failure) {
        out.resize(group.payload.size());
        for (size_t i = 0; i < out.size(); ++i)
            if (!object(group.payload[i], out[i], failure)) return false;
        return true;
    }

    // The single data block of an attribute: its elements of their type.
    bool attributeData(const Objects& objects, const char* name, std::vector<unsigned char>& bytes, int32_t& type,
                       Failure& failure) {
        const Object* attribute = findObject(objects, name, AttributeObject);
        if (!attribute || attribute->payload.size() != 1) return failure.broken(std::string("no attribute ") + name);
        type = attribute->type;
        return archive.readData(attribute->payload[0], MaxTextSize, bytes, failure);
    }

    bool text(const Objects& objects, const char* name, std::string& out, Failure& failure) {
        std::vector<unsigned char> bytes;
        int32_t type = 0;
        if (!attributeData(objects, name, bytes, type, failure)) return false;
        if (type != String) return failure.broken(std::string("attribute ") + name + " is no text");
        out.assign(bytes.begin(), bytes.end());
        return true;
    }

    // An attribute of `count` integers, stored as any integer type or as int32 vectors.
    bool integers(const Objects& objects, const char* name, int64_t* out, size_t count, Failure& failure) {
        std::vector<unsigned char> bytes;
        int32_t type = 0;
        if (!attributeData(objects, name, bytes, type, failure)) return false;
        const int32_t element = type == VecInt32 ? Int32 : type;
        if (element > Uint64 || bytes.size() != count * size_t(typeSizes[element]))
            return failure.broken(std::string("attribute ") + name + " is not " + std::to_string(count) + " integers");
        for (size_t i = 0; i < count; ++i) {
            const unsigned char* at = bytes.data() + i * size_t(typeSizes[element]);
            switch (element) {
                case Int8: out[i] = stored<int8_t>(at); break;
                case Uint8: out[i] = stored<uint8_t>(at); break;
                case Int16: out[i] = stored<int16_t>(at); break;
                case Uint16: out[i] = stored<uint16_t>(at); break;
                case Int32: out[i] = stored<int32_t>(at); break;
                case Uint32: out[i] = stored<uint32_t>(at); break;
                case Int64: out[i] = stored<int64_t>(at); break;
                default:
                    if (stored<uint64_t>(at) > uint64_t(std::numeric_limits<int64_t>::max()))
                        return failure.broken(std::string("attribute ") + name + " out of range");
                    out[i] = int64_t(stored<uint64_t>(at));
            }
        }
        return true;
    }

    template <class T>
    bool values(const Objects& objects, const char* name, int32_t expectedType, T* out, size_t count,
                Failure& failure) {
        std::vector<unsigned char> bytes;
        int32_t type = 0;
        if (!attributeData(objects, name, bytes, type, failure)) return false;
        if (type != expectedType || bytes.size() != count * sizeof(T))
            return failure.broken(std::string("attribute ") + name + " of the wrong type");
        std::memcpy(out, bytes.data(), bytes.size());
        return true;
    }

    OgawaArchive archive;
};

// A dense array: one data block in the file.
class OgawaArray final : public StoredArray {
public:
    OgawaArray(OgawaArchive& archive, int64_t offset, const Box& box, int64_t elementBytes)
        : archive_(archive), offset_(offset), box_(box), elementBytes_(elementBytes) {}

    bool readRows(int64_t z, const int64_t* ys, size_t rowCount, int64_t x0, int64_t count,
                  std::vector<unsigned char>& out, Failure& failure) override {
        const int64_t rowBytes = count * elementBytes_;
        out.resize(rowCount * size_t(rowBytes));
        for (size_t row = 0; row < rowCount; ++row) {
            const int64_t voxel =
                ((z - box_.min[2]) * box_.size(1) + (ys[row] - box_.min[1])) * box_.size(0) + (x0 - box_.min[0]);
            if (!archive_.readAt(offset_ + voxel * elementBytes_, out.data() + row * size_t(rowBytes), rowBytes,
                                 failure))
                return false;
        }
        return true;
    }

private:
    OgawaArchive& archive_;
    const int64_t offset_;
    const Box box_;
    const int64_t elementBytes_;
};

// A sparse layer's blocks: one data block each, a zlib stream when compressed.
class OgawaBlocks final : public StoredBlocks {
public:
    OgawaBlocks(OgawaArchive& archive, const Object& data) : archive_(archive), data_(data) {}

    bool readBlock(int64_t occupied, std::vector<unsigned char>& out, Failure& failure) override {
        int64_t offset = 0, size = 0;
        if (!archive_.dataRange(data_.payload[size_t(occupied)], offset, size, failure)) return false;
        if (data_.kind == DatasetObject) {
            if (size != int64_t(out.size())) return failure.broken("a sparse block of the wrong size");
            return archive_.readAt(offset, out.data(), size, failure);
        }
        if (size > int64_t(compressBound(uLong(out.size())))) return failure.broken("a sparse block's stream too long");
        compressed_.resize(size_t(size));
        if (!archive_.readAt(offset, compressed_.data(), size, failure)) return false;
        uLongf length = uLongf(out.size());
        if (uncompress(out.data(), &length, compressed_.data(), uLong(size)) != Z_OK || length != out.size())
            return failure.broken("a sparse block's zlib stream is damaged or of the wrong size");
        return true;
    }

private:
    OgawaArchive& archive_;
    const Object data_;
    std::vector<unsigned char> compressed_;
};

class OgawaField3D final : public Field3DContainer {
public:
    OgawaField3D(std::FILE* file, Failure& failure) : reader_(file, failure) {}
    bool isOpen() const { return reader_.archive.isOpen(); }

    bool readCatalogue(Catalogue& catalogue, Failure& failure) override {
        Object root;
        Objects partitions;
        if (!reader_.object(reader_.archive.root(), root, failure) || !reader_.objects(root, partitions, failure))
            return false;
        for (const Object& partition : partitions) {
            if (partition.kind != GroupObject) continue;
            Objects contents;
            if (!reader_.objects(partition, contents, failure)) return false;
            if (!findObject(contents, "is_field3d_partition", AttributeObject)) continue;
            auto mapping = std::make_shared<Mapping>();
            if (!readMapping(contents, *mapping, failure)) return false;
            for (const Object& object : contents) {
                if (object.kind != GroupObject || object.name == "mapping") continue;
                if (!readLayer(partition.name, object, mapping, catalogue, failure)) return false;
            }
        }
        return true;
    }

    std::unique_ptr<StoredArray> openArray(const Layer& layer, const char* name, const Box& box, int components,
                                           Failure& failure) override {
        const Object* data = findObject(layerObjects_[layer.location], name, DatasetObject);
        if (!data || data->payload.empty()) return failure.broken("layer " + layer.name + " has no " + name), nullptr;
        if (data->type != storedType(layer.valueType, components))
            return failure.broken("layer " + layer.name + " stores values of another type"), nullptr;
        int64_t offset = 0, size = 0;
        const int64_t elementBytes = int64_t(components) * valueBytes(layer.valueType);
        if (!reader_.archive.dataRange(data->payload[0], offset, size, failure)) return nullptr;
        if (size != box.voxels() * elementBytes) return failure.broken("a dataset of the wrong size"), nullptr;
        return std::make_unique<OgawaArray>(reader_.archive, offset, box, elementBytes);
    }

    bool openSparse(const Layer& layer, SparseArrays& arrays, Failure& failure) override {
        const Objects& objects = layerObjects_[layer.location];
        const int64_t count = layer.blocks.count;
        const int64_t emptyBytes = count * layer.components * valueBytes(layer.valueType);
        if (!table(objects, "block_is_allocated_data", {Uint8, Int8}, count, arrays.allocated, failure) ||
            !table(objects, "block_empty_value_data", {storedType(layer.valueType, layer.components)}, emptyBytes,
                   arrays.emptyValues, failure))
            return false;
        if (layer.blocks.occupied == 0) return true;
        const Object* data = findObject(objects, "data", CompressedDatasetObject);
        if (!data) data = findObject(objects, "data", DatasetObject);
        if (!data || int64_t(data->payload.size()) != layer.blocks.occupied ||
            data->type != storedType(layer.valueType, layer.components))
            return failure.broken("layer " + layer.name + " does not store its allocated blocks");
        arrays.blocks = std::make_unique<OgawaBlocks>(reader_.archive, *data);
        return true;
    }

private:
    bool readMapping(const Objects& partition, Mapping& mapping, Failure& failure) {
        const Object* group = findObject(partition, "mapping", GroupObject);
        Objects attributes;
        if (!group) return failure.broken("a partition without a mapping");
        if (!reader_.objects(*group, attributes, failure) ||
            !reader_.text(attributes, "mapping_type", mapping.type, failure))
            return false;
        if (mapping.type != "MatrixFieldMapping") return true;
        int64_t samples = 0;
        if (!reader_.integers(attributes, "num_time_samples", &samples, 1, failure)) return false;
        if (samples < 0 || samples > Mapping::MaxSamples) return failure.broken("a mapping's sample count is wrong");
        mapping.samples.resize(size_t(samples));
        for (size_t i = 0; i < mapping.samples.size(); ++i) {
            const std::string index = std::to_string(i);
            Mapping::Sample& sample = mapping.samples[i];
            if (!reader_.values(attributes, ("time_" + index).c_str(), Float32, &sample.time, 1, failure) ||
                !reader_.values(attributes, ("matrix_" + index).c_str(), Matrix64, sample.localToWorld.data(), 16,
                                failure))
                return false;
        }
        return true;
    }

    bool readLayer(const std::string& internalPartition, const Object& group,
                   const std::shared_ptr<const Mapping>& mapping, Catalogue& catalogue, Failure& failure) {
        Objects objects;
        std::string kind;
        if (!reader_.objects(group, objects, failure)) return false;
        if (!findObject(objects, "class_type", AttributeObject)) return true;  // not a layer
        Layer layer;
        layer.name = group.name;
        layer.internalPartition = internalPartition;
        splitPartitionName(internalPartition, layer.partition, layer.partitionIndex);
        layer.mapping = mapping;
        if (!reader_.text(objects, "class_type", kind, failure) ||
            !reader_.text(objects, "class_name", layer.className, failure))
            return false;
        if (kind != "field3d_layer") return true;
        layer.fieldClass = fieldClassNamed(layer.className);
        // Field3D's Ogawa writer stores no data for a MAC layer; Field3D itself reads none back.
        if (layer.fieldClass == FieldClass::Mac) layer.fieldClass = FieldClass::Unsupported;
        if (layer.fieldClass != FieldClass::Unsupported && !readLayout(objects, layer, failure)) return false;
        layer.location = layerObjects_.size();
        layerObjects_.push_back(std::move(objects));
        catalogue.layers.push_back(std::move(layer));
        return true;
    }

    bool readLayout(const Objects& objects, Layer& layer, Failure& failure) {
        Box& extents = layer.extents;
        Box& window = layer.dataWindow;
        int64_t components = 0, bits = 0, order = 0;
        if (!reader_.integers(objects, "extents_min", extents.min, 3, failure) ||
            !reader_.integers(objects, "extents_max", extents.max, 3, failure) ||
            !reader_.integers(objects, "data_window_min", window.min, 3, failure) ||
            !reader_.integers(objects, "data_window_max", window.max, 3, failure) ||
            !reader_.integers(objects, "components", &components, 1, failure) ||
            !reader_.integers(objects, "bits_per_component", &bits, 1, failure))
            return false;
        if (layer.fieldClass == FieldClass::Sparse &&
            (!reader_.integers(objects, "block_order", &order, 1, failure) ||
             !reader_.integers(objects, "block_res", layer.blocks.res, 3, failure) ||
             !reader_.integers(objects, "num_blocks", &layer.blocks.count, 1, failure) ||
             !reader_.integers(objects, "num_occupied_blocks", &layer.blocks.occupied, 1, failure)))
            return false;
        layer.components = components == 1 || components == 3 ? int(components) : 0;
        layer.blocks.order = order >= 0 && order < 64 ? int(order) : -1;
        std::string problem;
        if (!completeLayer(layer, bits, problem)) return failure.broken("layer " + layer.name + ": " + problem);
        return true;
    }

    // A dataset of exactly `bytes` bytes in one data block, of one of the given types.
    bool table(const Objects& objects, const char* name, std::initializer_list<int32_t> types, int64_t bytes,
               std::vector<unsigned char>& out, Failure& failure) {
        const Object* data = findObject(objects, name, DatasetObject);
        bool typed = false;
        for (int32_t type : types) typed = typed || (data && data->type == type);
        if (!typed || data->payload.size() != 1) return failure.broken(std::string("no table ") + name);
        int64_t offset = 0, size = 0;
        if (!reader_.archive.dataRange(data->payload[0], offset, size, failure)) return false;
        if (size != bytes) return failure.broken(std::string("table ") + name + " of the wrong size");
        out.resize(size_t(size));
        return reader_.archive.readAt(offset, out.data(), size, failure);
    }

    OgawaReader reader_;
    std::vector<Objects> layerObjects_;  // by Layer::location
};

}  // namespace

std::unique_ptr<Field3DContainer> openOgawaContainer(std::FILE* file, Failure& failure) {
    auto container = std::make_unique<OgawaField3D>(file, failure);
    if (!container->isOpen()) return nullptr;
    return container;
}

}  // namespace F3dBridge
