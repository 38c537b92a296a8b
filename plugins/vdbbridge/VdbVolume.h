// The OpenVDB side of the vdbbridge plug-in: what a .vdb file holds, and its grids resampled into
// the dense channel layout of a cache frame. Nothing here depends on the loader's classes; the
// frame is reached through FrameTarget.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// This code is compiled with default visibility for OpenVDB's sake; its own names stay inside
// the plug-in.
#pragma GCC visibility push(hidden)

namespace VdbBridge {

// Results of importVolume, handed back to the loader unchanged.
enum ImportResult : int {
    ImportSucceeded = 0,
    ImportCannotOpen = 3,            // the file cannot be opened or is no OpenVDB file
    ImportBrokenFile = 4,            // reading the file failed part way
    ImportNoMappedGrid = 5,          // none of the requested grids is in the file
    ImportUnsupportedTransform = 6,  // a requested grid has a non-linear (frustum) transform
    ImportOutOfMemory = 7,           // a channel could not be allocated
};

// One channel a file offers: a float grid by its name, or one component of a vector grid as
// NAME.x, NAME.y or NAME.z.
struct VolumeChannel {
    std::string name;
    bool vectorComponent = false;
};

// Appends the channels of the file, its grids in the order of their names as the file's index
// gives them (a vector grid gives its three components in x, y, z order). False when the file cannot be read; nothing is appended then.
bool listVolumeChannels(const char* path, std::vector<VolumeChannel>& channels);

// One channel to import: the grid (or vector component) called name becomes `channel`, its
// values multiplied by scale.
struct ChannelRequest {
    std::string name;
    int channel = 0;
    float scale = 1.0f;
};

// Where an import puts the frame it builds.
class FrameTarget {
public:
    // The frame's voxel counts (x, y, z) and its world-to-grid map: world position p (a row
    // vector) lands at grid coordinates p * A + o, A the rows (m0..m2), (m3..m5), (m6..m8) and
    // o = (m9, m10, m11). Called once, before any channel.
    virtual void setLayout(const int32_t resolution[3], const float worldToGrid[12]) = 0;
    // Storage for the x * y * z floats (x fastest) of a channel, each of which the import then
    // writes; null when it cannot be allocated. The channel counts as imported from then on.
    virtual float* channelStorage(int channel) = 0;
    // Records a channel as present without its values (a header-only import).
    virtual void markChannel(int channel) = 0;

protected:
    ~FrameTarget() = default;
};

// The smallest integer factor f for which the grid of resolution ceil(n / f) on every axis holds
// at most voxelLimit voxels; 1 for a negative limit (no limit). A limit below one voxel gives the
// factor that shrinks every axis to one voxel.
int32_t reductionForLimit(const int32_t resolution[3], int64_t voxelLimit);

// Imports the requested channels of the file into target. The frame's grid is the union of the
// active bounding boxes of the requested grids, in the index space of the first requested grid
// found (grids with another transform are sampled at the nearest voxel), reduced by
// reductionForLimit when a voxel limit is given (voxelLimit < 0: none): each frame voxel then
// holds the mean of the f^3 source voxels it covers (for f above 4, of 4^3 of them spread
// evenly, which bounds the work by the limit). Requests for grids the
// file lacks, and for channel numbers outside 0..31 or 18 (the packed colour, which a frame never
// holds expanded), are skipped. With headerOnly the layout is set and the channels are marked
// from the grids' stored bounding boxes without reading any voxel. Returns an ImportResult.
int importVolume(const char* path, const std::vector<ChannelRequest>& requests, bool headerOnly,
                 int64_t voxelLimit, FrameTarget& target);

// Prepares OpenVDB's type registry; safe to call more than once. False when it fails.
bool initializeVolumeLibrary();

} // namespace VdbBridge

#pragma GCC visibility pop
