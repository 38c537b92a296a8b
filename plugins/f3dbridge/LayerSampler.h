// A layer's values at chosen voxels, as floats, whatever its class (dense, sparse, MAC), value
// type and container. A MAC layer gives the cell-centred value that Field3D's value() returns.
#pragma once

#include "plugins/f3dbridge/Field3DContainer.h"

#include <memory>

#pragma GCC visibility push(hidden)

namespace F3dBridge {

class LayerSampler {
public:
    virtual ~LayerSampler() = default;

    int components() const { return components_; }
    // The value outside the layer's data window (components floats).
    const float* outsideValue() const { return outside_; }

    // The values of slice z at every (ys[i], xs[j]), all inside the layer's data window, both lists
    // ascending: out[(i * xCount + j) * components() + c]. Slices are asked for in ascending z.
    virtual bool sampleSlice(int64_t z, const int64_t* ys, size_t yCount, const int64_t* xs, size_t xCount, float* out,
                             Failure& failure) = 0;

protected:
    explicit LayerSampler(int components) : components_(components) {}
    int components_;
    float outside_[3] = {0, 0, 0};
};

// The sampler of a dense, sparse or MAC layer; null (and the failure) when its data cannot be read.
std::unique_ptr<LayerSampler> openLayerSampler(Field3DContainer& container, const Layer& layer, Failure& failure);

}  // namespace F3dBridge

#pragma GCC visibility pop
