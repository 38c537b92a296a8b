#include "loader/plugins/ForeignFileImports.h"

#include "loader/api/ChannelMappings.h"
#include "loader/format/FumaraFrameData.h"
#include "loader/format/PluginImports.h"
#include "loader/plugins/CachePlugins.h"
#include "utils/Log.h"

namespace CacheIO {

namespace {

const int VelocityChannels[3] = {4, 5, 6};

// The steps both imports share; callPlugin runs the plug-in's import on the mapping records.
template <class CallPlugin>
int importThroughPlugin(FumaraFrameData* frame, const CachePlugin& plugin, const char* mappings, bool headerOnly,
                        const char* noMappingsMessage, CallPlugin callPlugin) {
    if (!frame) return ImportNotPrepared;
    frame->reset(headerOnly);
    if (!plugin.isComplete()) return PluginAbsentCode;
    GridMappingList records;
    if (!decomposeChannelMappings(mappings, records)) return ImportNotPrepared;
    if (records.count() == 0) {
        logMessage("%s", noMappingsMessage);
        return NoMappingsGiven;
    }
    const int code = callPlugin(records.data(), records.count());
    if (code != 0) return code;
    EnsureVelocityComplete(*frame);
    return frame->setGridDataPlaceholder() ? 0 : ImportNotPrepared;
}

} // namespace

int ImportField3DFile(const CachePluginTable& plugins, const char* path, FumaraFrameData* frame,
                      const char* mappings, bool headerOnly, int64_t voxelLimit) {
    const CachePlugin& plugin = plugins.field3d;
    return importThroughPlugin(frame, plugin, mappings, headerOnly,
                               "Trying to import F3D files with no mappings specified!\n",
                               [&](GridMapping* records, int count) {
                                   auto import = reinterpret_cast<PluginImportFrameF3DProc>(plugin.importFrame);
                                   return import(path, frame, headerOnly, records, count, voxelLimit);
                               });
}

int ImportOpenVDBFile(const CachePluginTable& plugins, const char* path, FumaraFrameData* frame,
                      const char* mappings, bool headerOnly, int64_t voxelLimit) {
    const CachePlugin& plugin = plugins.openVdb;
    return importThroughPlugin(frame, plugin, mappings, headerOnly,
                               "Trying to import VDB files with no mappings specified!\n",
                               [&](GridMapping* records, int count) {
                                   auto import = reinterpret_cast<PluginImportFrameVDBProc>(plugin.importFrame);
                                   int scratch = 0;
                                   return import(path, frame, &scratch, headerOnly, records, count, voxelLimit);
                               });
}

int ImportField3DFile(const char* path, FumaraFrameData* frame, const char* mappings, bool headerOnly,
                      int64_t voxelLimit) {
    return ImportField3DFile(cachePlugins(), path, frame, mappings, headerOnly, voxelLimit);
}

int ImportOpenVDBFile(const char* path, FumaraFrameData* frame, const char* mappings, bool headerOnly,
                      int64_t voxelLimit) {
    return ImportOpenVDBFile(cachePlugins(), path, frame, mappings, headerOnly, voxelLimit);
}

void EnsureVelocityComplete(FumaraFrameData& frame) {
    int present = 0;
    for (int channel : VelocityChannels)
        if (frame.channelRecord(channel).loaded || frame.hasChannel(channel)) ++present;
    if (present == 3) return;
    for (int channel : VelocityChannels) {
        frame.description.channelFlags &= ~(1u << channel);
        frame.ReleaseChannelGrid(frame.channelRecord(channel));
    }
}

void installForeignFileImports() {
    PluginImports imports;
    imports.field3D = static_cast<Field3DImport>(ImportField3DFile);
    imports.openVDB = static_cast<OpenVDBImport>(ImportOpenVDBFile);
    setPluginImports(imports);
}

} // namespace CacheIO
