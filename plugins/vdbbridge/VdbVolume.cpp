// The only translation unit of the plug-in that includes OpenVDB (it compiles slowly).
#include "plugins/vdbbridge/VdbVolume.h"

#include <openvdb/io/File.h>
#include <openvdb/io/GridDescriptor.h>
#include <openvdb/openvdb.h>
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <new>

namespace VdbBridge {

namespace {

using openvdb::Coord;
using openvdb::CoordBBox;
using openvdb::GridBase;
using openvdb::math::Transform;

const char* const componentSuffixes[3] = {".x", ".y", ".z"};

bool isScalarGrid(const GridBase& grid) { return grid.isType<openvdb::FloatGrid>(); }
bool isVectorGrid(const GridBase& grid) { return grid.isType<openvdb::Vec3SGrid>(); }

// The name under which a file reads back the grid at `position` of its grid list: names may
// repeat, and io::File tells repeated names apart by their occurrence number, given as "name[N]"
// (its internal separator form would find the first grid of the name instead).
std::string uniqueGridName(const openvdb::GridPtrVec& grids, size_t position) {
    const std::string& name = grids[position]->getName();
    int earlier = 0;
    for (size_t i = 0; i < position; ++i)
        if (grids[i]->getName() == name) ++earlier;
    return earlier == 0 ? name : name + "[" + std::to_string(earlier) + "]";
}

// A request bound to the grid that provides it.
struct BoundRequest {
    const ChannelRequest* request = nullptr;
    size_t gridPosition = 0; // in the file's grid list
    int component = -1;      // -1 for a float grid, else the component of a vector grid
};

// The first grid of that name and kind, or grids.size().
size_t findGrid(const openvdb::GridPtrVec& grids, const std::string& name, bool vector) {
    for (size_t i = 0; i < grids.size(); ++i) {
        const GridBase& grid = *grids[i];
        if (grid.getName() == name && (vector ? isVectorGrid(grid) : isScalarGrid(grid))) return i;
    }
    return grids.size();
}

// A float grid of exactly the request's name wins; otherwise NAME.x, NAME.y or NAME.z names a
// component of the vector grid NAME.
bool bindRequest(const openvdb::GridPtrVec& grids, const ChannelRequest& request, BoundRequest& bound) {
    size_t position = findGrid(grids, request.name, false);
    if (position < grids.size()) {
        bound = {&request, position, -1};
        return true;
    }
    const std::string& name = request.name;
    if (name.size() <= 2) return false;
    const size_t suffix = name.size() - 2;
    for (int component = 0; component < 3; ++component) {
        if (name.compare(suffix, 2, componentSuffixes[component]) != 0) continue;
        position = findGrid(grids, name.substr(0, suffix), true);
        if (position < grids.size()) {
            bound = {&request, position, component};
            return true;
        }
    }
    return false;
}

bool importableChannel(int channel) { return channel >= 0 && channel < 32 && channel != 18; }

// The active bounding box that the file stores with a grid's metadata; false when it has none.
bool storedBoundingBox(const GridBase& grid, CoordBBox& box) {
    const auto low = grid.getMetadata<openvdb::Vec3IMetadata>(GridBase::META_FILE_BBOX_MIN);
    const auto high = grid.getMetadata<openvdb::Vec3IMetadata>(GridBase::META_FILE_BBOX_MAX);
    if (!low || !high) return false;
    box = CoordBBox(Coord(low->value()), Coord(high->value()));
    return true;
}

// Maps coordinates of the frame's index space (that of the reference grid) to the nearest voxel
// of a grid with another transform; identity when the transforms agree.
struct CoordinateMap {
    const Transform* frame = nullptr;
    const Transform* grid = nullptr; // null: the same transform

    Coord operator()(const Coord& xyz) const {
        if (!grid) return xyz;
        return Coord::round(grid->worldToIndex(frame->indexToWorld(xyz)));
    }
    // The box, given in the grid's index space, in the frame's index space.
    CoordBBox toFrame(const CoordBBox& box) const {
        if (!grid || box.empty()) return box;
        CoordBBox mapped;
        const Coord corners[2] = {box.min(), box.max()};
        for (int corner = 0; corner < 8; ++corner) {
            const Coord xyz(corners[corner & 1].x(), corners[(corner >> 1) & 1].y(), corners[(corner >> 2) & 1].z());
            mapped.expand(Coord::round(frame->worldToIndex(grid->indexToWorld(xyz))));
        }
        return mapped;
    }
};

// The frame's voxel grid: the source box and its reduction. Frame voxel V covers the source
// voxels V * f .. V * f + f - 1 along each axis (fewer at the far end).
struct FrameGrid {
    Coord origin;             // source index of frame voxel (0, 0, 0) before reduction
    int64_t source[3] = {};   // source voxels per axis
    int64_t reduction = 1;
    int32_t resolution[3] = {};

    int64_t voxelCount() const {
        return static_cast<int64_t>(resolution[0]) * resolution[1] * resolution[2];
    }
    // Source voxels of frame voxel index v along an axis.
    int64_t coverage(int axis, int64_t v) const {
        return std::min(reduction, source[axis] - v * reduction);
    }
};

// False when the box is too large for a frame (more than 2^31 - 1 voxels on an axis).
bool makeFrameGrid(const CoordBBox& box, int64_t voxelLimit, FrameGrid& grid) {
    grid = FrameGrid();
    if (box.empty()) return true;
    grid.origin = box.min();
    for (int axis = 0; axis < 3; ++axis) {
        grid.source[axis] = static_cast<int64_t>(box.max()[axis]) - box.min()[axis] + 1;
        if (grid.source[axis] > std::numeric_limits<int32_t>::max()) return false;
        grid.resolution[axis] = static_cast<int32_t>(grid.source[axis]);
    }
    grid.reduction = reductionForLimit(grid.resolution, voxelLimit);
    for (int axis = 0; axis < 3; ++axis)
        grid.resolution[axis] = static_cast<int32_t>((grid.source[axis] + grid.reduction - 1) / grid.reduction);
    return true;
}

// The frame's world-to-grid map: the inverse of the reference grid's index-to-world matrix, moved
// to the box origin and scaled to the reduced voxels (frame voxel V covers source voxels
// V * f .. V * f + f - 1, so its centre is source coordinate V * f + (f - 1) / 2).
void worldToFrameGrid(const Transform& transform, const FrameGrid& grid, float out[12]) {
    const openvdb::Mat4d inverse = transform.baseMap()->getAffineMap()->getMat4().inverse();
    const double f = static_cast<double>(grid.reduction);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) out[row * 3 + column] = static_cast<float>(inverse(row, column) / f);
    for (int axis = 0; axis < 3; ++axis) {
        const double offset = inverse(3, axis) - grid.origin[axis] - (f - 1.0) / 2.0;
        out[9 + axis] = static_cast<float>(offset / f);
    }
}

// Source offsets of the samples that stand for a frame voxel covering `covered` source voxels
// along an axis: all of them up to MaxSamplesPerAxis, else that many spread evenly. This bounds
// the work of a reduced import by the voxel limit, whatever area the file's grids span.
constexpr int64_t MaxSamplesPerAxis = 4;

int64_t samplesAlong(int64_t covered) { return std::min(covered, MaxSamplesPerAxis); }
int64_t sampleOffset(int64_t sample, int64_t samples, int64_t covered) {
    return (2 * sample + 1) * covered / (2 * samples);
}

// Fills a channel with the mean of the source voxels under each frame voxel, times scale.
template <class GridT, class Value>
void fillChannel(const GridT& source, Value value, const CoordinateMap& map, const FrameGrid& grid, float scale,
                 float* out) {
    const int64_t f = grid.reduction;
    const int64_t nx = grid.resolution[0], ny = grid.resolution[1];
    tbb::parallel_for(tbb::blocked_range<int64_t>(0, grid.resolution[2]), [&](const tbb::blocked_range<int64_t>& slabs) {
        typename GridT::ConstAccessor accessor = source.getConstAccessor();
        for (int64_t z = slabs.begin(); z != slabs.end(); ++z) {
            const int64_t cz = grid.coverage(2, z), sz = samplesAlong(cz);
            for (int64_t y = 0; y < ny; ++y) {
                const int64_t cy = grid.coverage(1, y), sy = samplesAlong(cy);
                float* row = out + (z * ny + y) * nx;
                for (int64_t x = 0; x < nx; ++x) {
                    const int64_t cx = grid.coverage(0, x), sx = samplesAlong(cx);
                    float sum = 0.0f;
                    for (int64_t tz = 0; tz < sz; ++tz)
                        for (int64_t ty = 0; ty < sy; ++ty)
                            for (int64_t tx = 0; tx < sx; ++tx) {
                                const Coord xyz = grid.origin.offsetBy(
                                    static_cast<int32_t>(x * f + sampleOffset(tx, sx, cx)),
                                    static_cast<int32_t>(y * f + sampleOffset(ty, sy, cy)),
                                    static_cast<int32_t>(z * f + sampleOffset(tz, sz, cz)));
                                sum += value(accessor.getValue(map(xyz)));
                            }
                    row[x] = sum / static_cast<float>(sx * sy * sz) * scale;
                }
            }
        }
    });
}

void fillChannel(const GridBase& source, int component, const CoordinateMap& map, const FrameGrid& grid,
                 float scale, float* out) {
    if (component < 0) {
        fillChannel(static_cast<const openvdb::FloatGrid&>(source), [](float v) { return v; }, map, grid, scale, out);
    } else {
        fillChannel(static_cast<const openvdb::Vec3SGrid&>(source),
                    [component](const openvdb::Vec3s& v) { return v[component]; }, map, grid, scale, out);
    }
}

// The import once the file is open.
class VolumeImport {
public:
    VolumeImport(openvdb::io::File& file, bool headerOnly) : file_(file), headerOnly_(headerOnly) {}

    int run(const std::vector<ChannelRequest>& requests, int64_t voxelLimit, FrameTarget& target) {
        grids_ = file_.readAllGridMetadata();
        std::vector<BoundRequest> bound;
        for (const ChannelRequest& request : requests) {
            BoundRequest binding;
            if (importableChannel(request.channel) && bindRequest(*grids_, request, binding)) bound.push_back(binding);
        }
        if (bound.empty()) return ImportNoMappedGrid;

        const Transform& frameTransform = (*grids_)[bound.front().gridPosition]->constTransform();
        CoordBBox box;
        for (const BoundRequest& binding : bound) {
            const GridBase& grid = *(*grids_)[binding.gridPosition];
            if (!grid.constTransform().isLinear()) return ImportUnsupportedTransform;
            // A header-only import reads no voxels where the file stores the box.
            CoordBBox gridBox;
            if (!headerOnly_ || !storedBoundingBox(grid, gridBox))
                gridBox = loadedGrid(binding.gridPosition).evalActiveVoxelBoundingBox();
            box.expand(mapFor(grid, frameTransform).toFrame(gridBox));
        }

        FrameGrid grid;
        if (!makeFrameGrid(box, voxelLimit, grid)) return ImportOutOfMemory;
        float worldToGrid[12];
        worldToFrameGrid(frameTransform, grid, worldToGrid);
        target.setLayout(grid.resolution, worldToGrid);
        if (grid.voxelCount() == 0) return ImportSucceeded;

        for (const BoundRequest& binding : bound) {
            if (headerOnly_) {
                target.markChannel(binding.request->channel);
                continue;
            }
            const GridBase& source = loadedGrid(binding.gridPosition);
            float* out = target.channelStorage(binding.request->channel);
            if (!out) return ImportOutOfMemory;
            fillChannel(source, binding.component, mapFor(source, frameTransform), grid, binding.request->scale, out);
        }
        return ImportSucceeded;
    }

private:
    // The grid with its voxels, read once however many requests use it.
    const GridBase& loadedGrid(size_t position) {
        GridBase::Ptr& grid = loaded_[position];
        if (!grid) grid = file_.readGrid(uniqueGridName(*grids_, position));
        return *grid;
    }

    static CoordinateMap mapFor(const GridBase& grid, const Transform& frameTransform) {
        const Transform& own = grid.constTransform();
        return CoordinateMap{&frameTransform, own == frameTransform ? nullptr : &own};
    }

    openvdb::io::File& file_;
    const bool headerOnly_;
    openvdb::GridPtrVecPtr grids_;
    std::map<size_t, GridBase::Ptr> loaded_;
};

} // namespace

bool initializeVolumeLibrary() {
    try {
        openvdb::initialize();
        return true;
    } catch (...) {
        return false;
    }
}

bool listVolumeChannels(const char* path, std::vector<VolumeChannel>& channels) {
    if (!path) return false;
    try {
        openvdb::io::File file(path);
        file.open(false);
        const openvdb::GridPtrVecPtr grids = file.readAllGridMetadata();
        std::vector<VolumeChannel> found;
        for (const GridBase::Ptr& grid : *grids) {
            if (isScalarGrid(*grid)) {
                found.push_back({grid->getName(), false});
            } else if (isVectorGrid(*grid)) {
                for (const char* suffix : componentSuffixes) found.push_back({grid->getName() + suffix, true});
            }
        }
        channels.insert(channels.end(), found.begin(), found.end());
        return true;
    } catch (...) {
        return false;
    }
}

int importVolume(const char* path, const std::vector<ChannelRequest>& requests, bool headerOnly, int64_t voxelLimit,
                 FrameTarget& target) {
    if (!path) return ImportCannotOpen;
    try {
        openvdb::io::File file(path);
        try {
            file.open(false);
        } catch (const std::bad_alloc&) {
            return ImportOutOfMemory;
        } catch (...) {
            return ImportCannotOpen;
        }
        return VolumeImport(file, headerOnly).run(requests, voxelLimit, target);
    } catch (const std::bad_alloc&) {
        return ImportOutOfMemory;
    } catch (...) {
        return ImportBrokenFile;
    }
}

} // namespace VdbBridge
