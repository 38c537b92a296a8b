// The binary interface between the loader and its cache plug-ins ("f3dbridge", "vdbbridge"): the
// names of the functions a plug-in library exports and their signatures. Every pointer passed
// points to an object of the loader, so a plug-in is built against the loader's own headers.
#pragma once

#include "loader/api/AvailableChannels.h"
#include "loader/api/GridMapping.h"
#include "parallel/ThreadManager.h"

class FumaraFrameData;

namespace CacheIO {

// 0 when the plug-in is ready; any other value makes the loader reject it.
typedef int (*PluginInitializeProc)();
// Hands the plug-in the thread manager that the loader uses from now on; 0 accepts it.
typedef int (*PluginSetThreadManagerProc)(ZUtils::ThreadManager* manager);
// Tells the plug-in to let go of the thread manager; the result is not used.
typedef int (*PluginReleaseThreadManagerProc)();
// Fills frame from a Field3D file for the count mapping records starting at mappings.
// 0 on success, otherwise an error code that the loader hands back unchanged. voxelLimit is the
// largest voxel count the frame may have (-1: no limit); it comes last, so that a plug-in that
// takes only the first five arguments can still be called this way.
typedef int (*PluginImportFrameF3DProc)(const char* path, FumaraFrameData* frame, bool headerOnly,
                                       GridMapping* mappings, int count, long long voxelLimit);
// The same for an OpenVDB file; scratch points to a 4-byte value of the caller that is not read
// afterwards; voxelLimit is the largest voxel count the frame may have (-1: no limit).
typedef int (*PluginImportFrameVDBProc)(const char* path, FumaraFrameData* frame, int* scratch, bool headerOnly,
                                       GridMapping* mappings, int count, long long voxelLimit);
// Appends one record per channel of the file to channels; the result is not used.
typedef int (*PluginGetAvailableChannelsProc)(const char* path, AvailableChannelList* channels);
// Resolved from "vdbbridge" when present and never called; its signature is not fixed.
typedef void (*PluginExportFrameProc)();

// The exported names.
constexpr const char* PluginInitializeName = "Initialize";
constexpr const char* PluginSetThreadManagerName = "SetThreadManager";
constexpr const char* PluginReleaseThreadManagerName = "ReleaseThreadManager";
constexpr const char* PluginImportFrameF3DName = "ImportFrameF3D";
constexpr const char* PluginImportFrameVDBName = "ImportFrameVDB";
constexpr const char* PluginGetAvailableChannelsName = "GetAvailableChannels";
constexpr const char* PluginExportFrameName = "ExportFrame";

} // namespace CacheIO

// Marks a plug-in's entry point: exported under its plain (unmangled) name.
#ifdef _WIN32
#define OVR_PLUGIN_ENTRY extern "C" __declspec(dllexport)
#else
#define OVR_PLUGIN_ENTRY extern "C" __attribute__((visibility("default")))
#endif
