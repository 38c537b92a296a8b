// The grids the frame writer builds: the OpenVDB side of writeVDBFrame, for the code that needs
// the grids themselves (the writer, its tests and benchmarks).
#pragma once

#include "converter/FrameStageTimes.h"
#include "converter/VdbOutputOptions.h"

#include <openvdb/openvdb.h>

#include <functional>

class IOvr;

// What buildFrameGrids may do besides building.
struct GridBuildHooks {
    // Called with each channel once every grid made from it is built, so that a frame the
    // caller owns can give the expanded values back; null keeps every channel.
    std::function<void(int channel)> channelDone;
    // Decode and fill times are added here when not null.
    FrameStageTimes* times = nullptr;
};

// Fills grids (empty on entry) with the frame's grids in the layout's order, each with the frame's
// index-to-world transform:
// - fumara: Smoke_fmr (channel 2), Temperature_fmr (1), Fuel_fmr (10), VelocityX/Y/Z_fmr (4, 5, 6,
//   only all three) and ColorR/G/B_fmr (7, 8, 9, only all three), float grids;
// - houdini: density (fog volume), temperature, fuel, vel (Vec3f, a velocity) and Cd (Vec3f);
// - blender: density (fog volume), temperature, fuel, velocity (Vec3f, a velocity) and color (Vec3f);
//   in both, a vector grid needs all three channels, and every other named channel the frame stores
//   (a lone velocity component included) follows as a float grid under its channel name.
// Sparse grids keep only voxels that differ from the background active; half grids are saved as
// 16-bit floats. Returns 0; 1 when a channel reported present has no data; 2 when the transform
// cannot be inverted. May throw what OpenVDB and allocation throw.
int buildFrameGrids(IOvr* frame, const VdbOutputOptions& options, openvdb::GridPtrVec& grids,
                    const GridBuildHooks& hooks = GridBuildHooks());

// Creates in grid a float grid named name with background 0 that holds the dense array data
// (x fastest, then y, then z) at voxels [0,nx) x [0,ny) x [0,nz). Dense: every voxel of that box is
// active. Sparse: only voxels whose bits differ from +0, and leaves without any are left out
// (background tiles). Nothing else is touched. The leaves are built in parallel.
void fillGridFromDense(const float* data, openvdb::FloatGrid::Ptr& grid, int nx, int ny, int nz, const char* name,
                       bool sparse = false);

// The same for a vector grid whose x, y and z come from three dense arrays; in a sparse grid a
// voxel is active unless all three components are +0.
void fillVectorGridFromDense(const float* const components[3], openvdb::Vec3fGrid::Ptr& grid, const int size[3],
                             const char* name, bool sparse = false);
