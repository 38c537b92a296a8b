#include "plugins/f3dbridge/LayerSampler.h"

#include "plugins/f3dbridge/HalfFloat.h"

#include <cstring>
#include <unordered_map>

namespace F3dBridge {

namespace {

// The stored value at `at` as a float (doubles rounded to nearest).
inline float loadValue(ValueType type, const unsigned char* at) {
    switch (type) {
        case ValueType::Half: {
            uint16_t bits;
            std::memcpy(&bits, at, 2);
            return halfToFloat(bits);
        }
        case ValueType::Float: {
            float value;
            std::memcpy(&value, at, 4);
            return value;
        }
        default: {
            double value;
            std::memcpy(&value, at, 8);
            return static_cast<float>(value);
        }
    }
}

// The mean of two face values the way Field3D's MACField computes it, in the stored type:
// (a + b) * 0.5, then converted to float.
inline float faceMean(ValueType type, const unsigned char* a, const unsigned char* b) {
    if (type == ValueType::Double) {
        double x, y;
        std::memcpy(&x, a, 8), std::memcpy(&y, b, 8);
        return static_cast<float>((x + y) * 0.5);
    }
    const float mean = static_cast<float>(static_cast<double>(loadValue(type, a) + loadValue(type, b)) * 0.5);
    return type == ValueType::Half ? halfToFloat(floatToHalf(mean)) : mean;
}

class DenseSampler final : public LayerSampler {
public:
    DenseSampler(const Layer& layer, std::unique_ptr<StoredArray> array)
        : LayerSampler(layer.components), type_(layer.valueType), array_(std::move(array)) {}

    bool sampleSlice(int64_t z, const int64_t* ys, size_t yCount, const int64_t* xs, size_t xCount, float* out,
                     Failure& failure) override {
        const int64_t span = xs[xCount - 1] - xs[0] + 1;
        if (!array_->readRows(z, ys, yCount, xs[0], span, rows_, failure)) return false;
        const size_t valueSize = size_t(valueBytes(type_)), voxelSize = valueSize * size_t(components_);
        for (size_t i = 0; i < yCount; ++i) {
            const unsigned char* row = rows_.data() + i * size_t(span) * voxelSize;
            for (size_t j = 0; j < xCount; ++j, out += components_)
                for (int c = 0; c < components_; ++c)
                    out[c] = loadValue(type_, row + size_t(xs[j] - xs[0]) * voxelSize + size_t(c) * valueSize);
        }
        return true;
    }

private:
    const ValueType type_;
    std::unique_ptr<StoredArray> array_;
    std::vector<unsigned char> rows_;
};

// u(i) lies on the face between voxels i - 1 and i, and likewise v along y and w along z.
class MacSampler final : public LayerSampler {
public:
    MacSampler(const Layer& layer, std::unique_ptr<StoredArray> faces[3]) : LayerSampler(3), type_(layer.valueType) {
        for (int axis = 0; axis < 3; ++axis) faces_[axis] = std::move(faces[axis]);
    }

    bool sampleSlice(int64_t z, const int64_t* ys, size_t yCount, const int64_t* xs, size_t xCount, float* out,
                     Failure& failure) override {
        const int64_t span = xs[xCount - 1] - xs[0] + 1;
        pairedRows_.clear();
        for (size_t i = 0; i < yCount; ++i) pairedRows_.push_back(ys[i]), pairedRows_.push_back(ys[i] + 1);
        if (!faces_[0]->readRows(z, ys, yCount, xs[0], span + 1, u_, failure) ||
            !faces_[1]->readRows(z, pairedRows_.data(), pairedRows_.size(), xs[0], span, v_, failure) ||
            !faces_[2]->readRows(z, ys, yCount, xs[0], span, w_[0], failure) ||
            !faces_[2]->readRows(z + 1, ys, yCount, xs[0], span, w_[1], failure))
            return false;
        const size_t size = size_t(valueBytes(type_));
        for (size_t i = 0; i < yCount; ++i) {
            const unsigned char* u = u_.data() + i * size_t(span + 1) * size;
            const unsigned char* v = v_.data() + 2 * i * size_t(span) * size;
            const unsigned char* w0 = w_[0].data() + i * size_t(span) * size;
            const unsigned char* w1 = w_[1].data() + i * size_t(span) * size;
            for (size_t j = 0; j < xCount; ++j, out += 3) {
                const size_t x = size_t(xs[j] - xs[0]) * size;
                out[0] = faceMean(type_, u + x, u + x + size);
                out[1] = faceMean(type_, v + x, v + size_t(span) * size + x);
                out[2] = faceMean(type_, w0 + x, w1 + x);
            }
        }
        return true;
    }

private:
    const ValueType type_;
    std::unique_ptr<StoredArray> faces_[3];
    std::vector<int64_t> pairedRows_;
    std::vector<unsigned char> u_, v_, w_[2];
};

// Blocks are decoded when first sampled and kept while the slices stay in one layer of blocks.
class SparseSampler final : public LayerSampler {
public:
    SparseSampler(const Layer& layer, SparseArrays arrays)
        : LayerSampler(layer.components), layer_(layer), arrays_(std::move(arrays)) {}

    // Checks the allocation table against the stored blocks and converts the empty values.
    bool prepare(Failure& failure) {
        const size_t count = size_t(layer_.blocks.count), valueSize = size_t(valueBytes(layer_.valueType));
        int64_t occupied = 0;
        occupiedIndex_.resize(count);
        for (size_t block = 0; block < count; ++block)
            occupiedIndex_[block] = arrays_.allocated[block] ? occupied++ : -1;
        if (occupied != layer_.blocks.occupied)
            return failure.broken("layer " + layer_.name + " allocates another number of blocks than it stores");
        empty_.resize(count * size_t(components_));
        for (size_t i = 0; i < empty_.size(); ++i)
            empty_[i] = loadValue(layer_.valueType, arrays_.emptyValues.data() + i * valueSize);
        // Outside the data window: the empty value that every block shares, if one is shared.
        bool shared = count > 0;
        for (size_t i = size_t(components_); shared && i < empty_.size(); ++i)
            shared = std::memcmp(&empty_[i], &empty_[i % size_t(components_)], sizeof(float)) == 0;
        if (shared) std::memcpy(outside_, empty_.data(), sizeof(float) * size_t(components_));
        return true;
    }

    bool sampleSlice(int64_t z, const int64_t* ys, size_t yCount, const int64_t* xs, size_t xCount, float* out,
                     Failure& failure) override {
        const SparseBlocks& blocks = layer_.blocks;
        const int64_t* origin = layer_.dataWindow.min;
        const int64_t mask = blocks.edge() - 1, bz = (z - origin[2]) >> blocks.order;
        if (bz != decodedLayer_) decoded_.clear(), decodedLayer_ = bz;
        const int64_t inZ = (z - origin[2]) & mask;
        for (size_t i = 0; i < yCount; ++i) {
            const int64_t y = ys[i] - origin[1], by = y >> blocks.order;
            for (size_t j = 0; j < xCount; ++j, out += components_) {
                const int64_t x = xs[j] - origin[0];
                const int64_t block = (x >> blocks.order) + blocks.res[0] * (by + blocks.res[1] * bz);
                const float* values = &empty_[size_t(block) * size_t(components_)];
                if (occupiedIndex_[size_t(block)] >= 0) {
                    const std::vector<float>* voxels = decodedBlock(block, failure);
                    if (!voxels) return false;
                    const int64_t voxel = ((inZ << blocks.order | (y & mask)) << blocks.order) | (x & mask);
                    values = voxels->data() + size_t(voxel) * size_t(components_);
                }
                std::memcpy(out, values, sizeof(float) * size_t(components_));
            }
        }
        return true;
    }

private:
    const std::vector<float>* decodedBlock(int64_t block, Failure& failure) {
        auto found = decoded_.find(block);
        if (found != decoded_.end()) return &found->second;
        const size_t values = size_t(layer_.blocks.voxelsPerBlock()) * size_t(components_);
        raw_.resize(values * size_t(valueBytes(layer_.valueType)));
        if (!arrays_.blocks->readBlock(occupiedIndex_[size_t(block)], raw_, failure)) return nullptr;
        std::vector<float>& voxels = decoded_[block];
        voxels.resize(values);
        for (size_t i = 0; i < values; ++i)
            voxels[i] = loadValue(layer_.valueType, raw_.data() + i * size_t(valueBytes(layer_.valueType)));
        return &voxels;
    }

    const Layer& layer_;
    SparseArrays arrays_;
    std::vector<int64_t> occupiedIndex_;  // per block: its row among the stored blocks, or -1
    std::vector<float> empty_;
    std::unordered_map<int64_t, std::vector<float>> decoded_;
    int64_t decodedLayer_ = -1;
    std::vector<unsigned char> raw_;
};

// A face array's box: the data window with one more face along the axis.
Box faceBox(const Box& window, int axis) {
    Box box = window;
    ++box.max[axis];
    return box;
}

}  // namespace

std::unique_ptr<LayerSampler> openLayerSampler(Field3DContainer& container, const Layer& layer, Failure& failure) {
    switch (layer.fieldClass) {
        case FieldClass::Dense: {
            auto array = container.openArray(layer, "data", layer.dataWindow, layer.components, failure);
            return array ? std::make_unique<DenseSampler>(layer, std::move(array)) : nullptr;
        }
        case FieldClass::Mac: {
            static const char* const names[3] = {"u_data", "v_data", "w_data"};
            std::unique_ptr<StoredArray> faces[3];
            for (int axis = 0; axis < 3; ++axis)
                if (!(faces[axis] =
                          container.openArray(layer, names[axis], faceBox(layer.dataWindow, axis), 1, failure)))
                    return nullptr;
            return std::make_unique<MacSampler>(layer, faces);
        }
        case FieldClass::Sparse: {
            SparseArrays arrays;
            if (!container.openSparse(layer, arrays, failure)) return nullptr;
            auto sampler = std::make_unique<SparseSampler>(layer, std::move(arrays));
            return sampler->prepare(failure) ? std::move(sampler) : nullptr;
        }
        default:
            failure.set(ImportUnsupportedLayer,
                        "layer " + layer.name + " is a " + layer.className + ", which is not read");
            return nullptr;
    }
}

}  // namespace F3dBridge
