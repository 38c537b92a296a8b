// Writes OpenVDB's seekable archive with the grids serialised side by side.
#pragma once

#include <openvdb/openvdb.h>

#include <cstdint>
#include <ostream>

// Writes what openvdb::io::File writes for grids and metadata (grid statistics, stream positions;
// compression: OpenVDB's default, or compression when not 0), byte for byte but for the file's
// random identifier. Each grid is
// serialised into memory on its own task and dropped from grids as soon as it is; the pieces are
// then written to out in order. Grid names must be unique and non-empty, trees not shared.
// Throws what OpenVDB throws.
void writeArchiveInParallel(std::ostream& out, openvdb::GridPtrVec& grids, const openvdb::MetaMap& metadata,
                            uint32_t compression = 0);
