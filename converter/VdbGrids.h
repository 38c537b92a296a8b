// The float grids the frame writer builds: the OpenVDB side of writeVDBFrame, for the code that
// needs the grids themselves (the writer, its tests and benchmarks).
#pragma once

#include <openvdb/openvdb.h>

#include <vector>

class IOvr;

// Fills grids (empty on entry) with the frame's grids in file order: Smoke_fmr (channel 2),
// Temperature_fmr (1), Fuel_fmr (10), VelocityX/Y/Z_fmr (4, 5, 6, only all three) and
// ColorR/G/B_fmr (7, 8, 9, only all three), each with the frame's index-to-world transform.
// Returns 0; 1 when a channel reported present has no data; 2 when the transform cannot be
// inverted. May throw what OpenVDB and allocation throw.
int buildChannelGrids(IOvr* frame, std::vector<openvdb::FloatGrid::Ptr>& grids);

// Creates in grid a float grid named name with background 0 whose voxels [0,nx) x [0,ny) x [0,nz)
// are all active and hold the dense array data (x fastest, then y, then z); nothing else is
// touched and nothing is pruned. The leaves are built in parallel.
void fillGridFromDense(const float* data, openvdb::FloatGrid::Ptr& grid, int nx, int ny, int nz, const char* name);
