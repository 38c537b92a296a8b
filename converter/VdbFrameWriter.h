// Writes one cache frame as an OpenVDB file.
#pragma once

#include "converter/VdbOutputOptions.h"

#include <openvdb/Grid.h>

class IOvr;

// Writes the frame's grids in the options' layout (buildFrameGrids in VdbGrids.h) with the frame's
// transform inverted to index-to-world and the file metadata "FumaraVDBVer" = 0. The frame is only
// read. Returns 0 on success; 1 when a channel the frame reports present cannot be obtained (no
// file is written); 2 when the file cannot be written or the grids cannot be built (out of
// memory, a transform that cannot be inverted).
int writeVDBFrame(const char* path, IOvr* frame, const VdbOutputOptions& options = VdbOutputOptions());

// Writes grids and the file metadata to path, complete or not at all: 0, or 2 on any failure.
// Each grid is dropped from grids as soon as it is serialised. Compact files (for half grids)
// are deflated instead of OpenVDB's default LZ4: about an eighth smaller, slower to read.
int writeVdbGrids(const char* path, openvdb::GridPtrVec& grids, bool compact = false);
