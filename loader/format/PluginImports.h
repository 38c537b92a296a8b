// The seam through which a frame's load operation reaches the importers of foreign volume files
// (.f3d and .vdb), which live in the plug-in layer. Until that layer installs them, such files load
// with the code of an absent plug-in.
#pragma once

#include <cstdint>

class FumaraFrameData;

namespace CacheIO {

constexpr int PluginAbsentCode = 2;

// Each returns 0 on success or an error code; the frame has been reset before the call.
using Field3DImport = int (*)(const char* path, FumaraFrameData* frame, const char* mappings, bool headerOnly,
                              int64_t voxelLimit);
using OpenVDBImport = int (*)(const char* path, FumaraFrameData* frame, const char* mappings, bool headerOnly,
                              int64_t voxelLimit);

struct PluginImports {
    Field3DImport field3D = nullptr;
    OpenVDBImport openVDB = nullptr;
};

// Installs the importers (null members make that format's loads fail with PluginAbsentCode).
void setPluginImports(const PluginImports& imports);
PluginImports pluginImports();

}  // namespace CacheIO
