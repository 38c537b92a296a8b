// The Field3D side of the f3dbridge plug-in: what a .f3d file holds, and its layers resampled into
// the dense channel layout of a cache frame. Both of Field3D's containers are read: HDF5 (through
// libhdf5) and Ogawa (through a bounded reader of its own). The frame is reached through the
// FrameTarget that vdbbridge defines; nothing here depends on the loader's classes.
#pragma once

#include "plugins/vdbbridge/VdbVolume.h"

#include <cstdint>
#include <vector>

#pragma GCC visibility push(hidden)

namespace F3dBridge {

using VdbBridge::ChannelRequest;
using VdbBridge::FrameTarget;
using VdbBridge::VolumeChannel;

// Results of importField3D, handed back to the loader unchanged.
enum ImportResult : int {
    ImportSucceeded = 0,
    ImportCannotOpen = 3,          // the file cannot be opened or is neither an Ogawa nor an HDF5 file
    ImportBrokenFile = 4,          // the file breaks Field3D's layout or ends early
    ImportNoMappedLayer = 5,       // none of the requested layers is in the file
    ImportUnsupportedMapping = 6,  // the first requested layer's mapping is not an affine map
    ImportOutOfMemory = 7,         // a channel or a buffer could not be allocated
    ImportUnsupportedLayer = 8,    // a requested layer is of a class that is not read
};

// Appends the channels of the file: every layer that can be read, named "layer" when no other
// layer of the file has that name and "partition.layer" otherwise; a vector layer gives its
// components as NAME.x, NAME.y and NAME.z. False (and a log line) when the file cannot be read.
bool listField3DChannels(const char* path, std::vector<VolumeChannel>& channels);

// Imports the requested channels. A request names a layer as "partition.layer" or, when the name
// is unique in the file, "layer", with ".x", ".y" or ".z" for a component of a vector layer;
// requests for layers the file lacks, and for channel numbers outside 0..31 or 18, are skipped.
// The frame spans the data window of the first requested layer found, reduced by
// VdbBridge::reductionForLimit when a voxel limit is given (a frame voxel then holds the mean of
// the source voxels it covers, at most 4 per axis spread evenly), and its transform puts the centre
// of that window's first voxel at grid (0, 0, 0). Other layers are sampled by voxel index; outside
// their own data window they give their empty value (a sparse layer whose blocks share one) or 0.
// With headerOnly the layout is set and the channels marked without reading any voxel. Returns an
// ImportResult; every failure is also logged.
int importField3D(const char* path, const std::vector<ChannelRequest>& requests, bool headerOnly, int64_t voxelLimit,
                  FrameTarget& target);

}  // namespace F3dBridge

#pragma GCC visibility pop
