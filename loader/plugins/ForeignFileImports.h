// The imports of foreign volume files through the cache plug-ins, as a frame's load runs them.
#pragma once

#include <cstdint>

class FumaraFrameData;

namespace CacheIO {

class CachePluginTable;

// Result codes of the imports besides the plug-ins' own (and PluginAbsentCode, 2, of an absent
// or rejected plug-in).
enum ForeignImportResult : int {
    ImportNotPrepared = 4,  // the mapping records or the frame's grid data could not be allocated
    NoMappingsGiven = 9,    // the mapping string holds no entry
};

// Imports a Field3D file into frame for the channels of the mapping string: the frame is reset
// first (with the header-only setting), then filled by "ImportFrameF3D" of the table's
// "f3dbridge", which also gets the voxel limit (-1: none). On
// success the velocity is made complete or dropped (EnsureVelocityComplete) and the frame gets
// grid data in which no channel block can be found. Returns 0 or the plug-in's code,
// PluginAbsentCode, NoMappingsGiven (after logging that no mappings were given) or
// ImportNotPrepared.
int ImportField3DFile(const CachePluginTable& plugins, const char* path, FumaraFrameData* frame,
                      const char* mappings, bool headerOnly, int64_t voxelLimit);

// The same for an OpenVDB file through "ImportFrameVDB" of "vdbbridge".
int ImportOpenVDBFile(const CachePluginTable& plugins, const char* path, FumaraFrameData* frame,
                      const char* mappings, bool headerOnly, int64_t voxelLimit);

// The two imports through the library-wide plug-in table, as frame loads call them.
int ImportField3DFile(const char* path, FumaraFrameData* frame, const char* mappings, bool headerOnly,
                      int64_t voxelLimit);
int ImportOpenVDBFile(const char* path, FumaraFrameData* frame, const char* mappings, bool headerOnly,
                      int64_t voxelLimit);

// Drops the velocity channels 4, 5 and 6 (their flags and grids) unless all three are present.
void EnsureVelocityComplete(FumaraFrameData& frame);

// Makes frame loads use the two imports above.
void installForeignFileImports();

} // namespace CacheIO
