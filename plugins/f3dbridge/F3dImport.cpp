// Listing and importing a Field3D file: the catalogue, the requests bound to layers, the frame's
// layout, and each layer sampled onto the frame's voxels.
#include "plugins/f3dbridge/F3dVolume.h"

#include "platform/FileOpen.h"
#include "plugins/f3dbridge/FrameSamples.h"
#include "plugins/f3dbridge/FrameTransform.h"
#include "plugins/f3dbridge/LayerNames.h"
#include "plugins/f3dbridge/LayerSampler.h"
#include "utils/Log.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace F3dBridge {

namespace {

bool importableChannel(int channel) { return channel >= 0 && channel < 32 && channel != 18; }

int reportFailure(const char* path, const Failure& failure) {
    logMessage("[ERROR] f3dbridge: %s: %s\n", path ? path : "(no path)", failure.message.c_str());
    return failure.code;
}

// The frame's voxels and which source voxels of the first layer's window each one averages.
struct FrameGrid {
    int32_t resolution[3] = {0, 0, 0};
    int64_t reduction = 1;
    std::vector<AxisSamples> axes;

    int64_t voxels() const { return int64_t(resolution[0]) * resolution[1] * resolution[2]; }
};

FrameGrid makeFrameGrid(const Box& window, int64_t voxelLimit) {
    FrameGrid grid;
    if (window.empty()) return grid;
    for (int axis = 0; axis < 3; ++axis) grid.resolution[axis] = int32_t(window.size(axis));
    grid.reduction = VdbBridge::reductionForLimit(grid.resolution, voxelLimit);
    for (int axis = 0; axis < 3; ++axis)
        grid.resolution[axis] = int32_t((window.size(axis) + grid.reduction - 1) / grid.reduction);
    return grid;
}

// One channel filled from a layer: the whole scalar layer or one component.
struct ChannelOutput {
    int component;
    float* values;
    float scale;
};

// Fills the outputs with the mean of each frame voxel's samples of the layer, slice by slice.
bool sampleLayer(LayerSampler& sampler, const Box& window, const FrameGrid& grid,
                 const std::vector<ChannelOutput>& outputs, Failure& failure) {
    const AxisSamples &xs = grid.axes[0], &ys = grid.axes[1], &zs = grid.axes[2];
    const int components = sampler.components();
    size_t x0, x1, y0, y1;
    xs.within(window.min[0], window.max[0], x0, x1);
    ys.within(window.min[1], window.max[1], y0, y1);
    const size_t nx = x1 - x0, ny = y1 - y0, rowLength = size_t(grid.resolution[0]);
    const size_t plane = rowLength * size_t(grid.resolution[1]);
    std::vector<float> slice(nx * ny * size_t(components));
    for (const ChannelOutput& output : outputs) std::fill_n(output.values, size_t(grid.voxels()), 0.0f);
    const bool single = grid.reduction == 1;  // one sample per voxel: stored as it is, -0 included
    for (size_t k = 0; k < zs.position.size(); ++k) {
        const bool inside = window.contains(2, zs.position[k]) && nx > 0 && ny > 0;
        if (inside &&
            !sampler.sampleSlice(zs.position[k], &ys.position[y0], ny, &xs.position[x0], nx, slice.data(), failure))
            return false;
        const size_t planeStart = size_t(zs.voxel[k]) * plane;
        for (size_t j = 0; j < ys.position.size(); ++j) {
            const size_t rowStart = planeStart + size_t(ys.voxel[j]) * rowLength;
            const bool rowInside = inside && j >= y0 && j < y1;
            for (size_t i = 0; i < xs.position.size(); ++i) {
                const float* value = rowInside && i >= x0 && i < x1
                                         ? &slice[((j - y0) * nx + (i - x0)) * size_t(components)]
                                         : sampler.outsideValue();
                const size_t at = rowStart + size_t(xs.voxel[i]);
                for (const ChannelOutput& output : outputs) {
                    const float v = value[output.component < 0 ? 0 : output.component];
                    output.values[at] = single ? v : output.values[at] + v;
                }
            }
        }
    }
    for (const ChannelOutput& output : outputs) {
        size_t at = 0;
        for (int32_t z = 0; z < grid.resolution[2]; ++z)
            for (int32_t y = 0; y < grid.resolution[1]; ++y)
                for (int32_t x = 0; x < grid.resolution[0]; ++x, ++at) {
                    const float count = float(xs.perVoxel[size_t(x)] * ys.perVoxel[size_t(y)] * zs.perVoxel[size_t(z)]);
                    output.values[at] = output.values[at] / count * output.scale;
                }
    }
    return true;
}

// A request bound to the layer that provides it.
struct Binding {
    const ChannelRequest* request;
    LayerChannel channel;
};

class Import {
public:
    Import(Field3DContainer& container, const Catalogue& catalogue) : container_(container), catalogue_(catalogue) {}

    int run(const std::vector<ChannelRequest>& requests, bool headerOnly, int64_t voxelLimit, FrameTarget& target,
            Failure& failure) {
        std::vector<Binding> bound;
        for (const ChannelRequest& request : requests) {
            Binding binding{&request, {}};
            if (importableChannel(request.channel) && findLayerChannel(catalogue_, request.name, binding.channel)) {
                const Layer& layer = catalogue_.layers[binding.channel.layer];
                if (layer.fieldClass == FieldClass::Unsupported)
                    return failure.set(ImportUnsupportedLayer, "layer " + layer.partition + "." + layer.name +
                                                                   " is a " + layer.className + ", which is not read"),
                           failure.code;
                bound.push_back(binding);
            }
        }
        if (bound.empty())
            return failure.set(ImportNoMappedLayer, "none of the mapped layers is in the file"), failure.code;

        const Layer& first = catalogue_.layers[bound.front().channel.layer];
        FrameGrid grid = makeFrameGrid(first.dataWindow, voxelLimit);
        float worldToGrid[12];
        if (!frameTransform(first, grid.reduction, worldToGrid, failure)) return failure.code;
        target.setLayout(grid.resolution, worldToGrid);
        if (grid.voxels() == 0) return ImportSucceeded;
        if (headerOnly) {
            for (const Binding& binding : bound) target.markChannel(binding.request->channel);
            return ImportSucceeded;
        }
        for (int axis = 0; axis < 3; ++axis)
            grid.axes.emplace_back(first.dataWindow.min[axis], first.dataWindow.size(axis), grid.reduction,
                                   grid.resolution[axis]);
        // Each layer is read once for all the channels it fills.
        for (size_t i = 0; i < bound.size(); ++i) {
            const size_t layerIndex = bound[i].channel.layer;
            if (std::any_of(bound.begin(), bound.begin() + std::ptrdiff_t(i),
                            [&](const Binding& earlier) { return earlier.channel.layer == layerIndex; }))
                continue;
            std::vector<ChannelOutput> outputs;
            for (size_t j = i; j < bound.size(); ++j) {
                if (bound[j].channel.layer != layerIndex) continue;
                float* values = target.channelStorage(bound[j].request->channel);
                if (!values) return failure.set(ImportOutOfMemory, "a channel cannot be allocated"), failure.code;
                outputs.push_back({bound[j].channel.component, values, bound[j].request->scale});
            }
            const Layer& layer = catalogue_.layers[layerIndex];
            std::unique_ptr<LayerSampler> sampler = openLayerSampler(container_, layer, failure);
            if (!sampler || !sampleLayer(*sampler, layer.dataWindow, grid, outputs, failure)) return failure.code;
        }
        return ImportSucceeded;
    }

private:
    Field3DContainer& container_;
    const Catalogue& catalogue_;
};

// Opens the file and reads its catalogue, in catalogue order.
std::unique_ptr<Field3DContainer> openCatalogue(const char* path, Catalogue& catalogue, Failure& failure) {
    std::unique_ptr<Field3DContainer> container = openField3DContainer(path, failure);
    if (!container || !container->readCatalogue(catalogue, failure)) return nullptr;
    orderLayers(catalogue);
    return container;
}

}  // namespace

std::unique_ptr<Field3DContainer> openField3DContainer(const char* path, Failure& failure) {
    std::FILE* file = path ? Platform::openFile(path, "rb") : nullptr;
    if (!file) return failure.set(ImportCannotOpen, "the file cannot be opened"), nullptr;
    unsigned char magic[8] = {};
    const size_t got = std::fread(magic, 1, sizeof magic, file);
    if (got >= 5 && std::memcmp(magic, "Ogawa", 5) == 0) return openOgawaContainer(file, failure);
    std::fclose(file);
    if (got == 8 && std::memcmp(magic, "\x89HDF\r\n\x1a\n", 8) == 0) return openHdf5Container(path, failure);
    return failure.set(ImportCannotOpen, "neither an Ogawa nor an HDF5 file"), nullptr;
}

bool listField3DChannels(const char* path, std::vector<VolumeChannel>& channels) {
    Failure failure;
    try {
        Catalogue catalogue;
        if (!openCatalogue(path, catalogue, failure)) return reportFailure(path, failure), false;
        const std::vector<VolumeChannel> found = layerChannelNames(catalogue);
        channels.insert(channels.end(), found.begin(), found.end());
        return true;
    } catch (const std::bad_alloc&) {
        failure.set(ImportOutOfMemory, "out of memory");
        return reportFailure(path, failure), false;
    }
}

int importField3D(const char* path, const std::vector<ChannelRequest>& requests, bool headerOnly, int64_t voxelLimit,
                  FrameTarget& target) {
    Failure failure;
    try {
        Catalogue catalogue;
        std::unique_ptr<Field3DContainer> container = openCatalogue(path, catalogue, failure);
        if (container && Import(*container, catalogue).run(requests, headerOnly, voxelLimit, target, failure) == 0)
            return ImportSucceeded;
    } catch (const std::bad_alloc&) {
        failure.set(ImportOutOfMemory, "out of memory");
    }
    return reportFailure(path, failure);
}

}  // namespace F3dBridge
