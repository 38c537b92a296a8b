// The entry points of the f3dbridge plug-in, through which the loader lists and imports Field3D
// files into its own FumaraFrameData.
#include "plugins/f3dbridge/F3dVolume.h"
#include "plugins/vdbbridge/BridgeGlue.h"

OVR_PLUGIN_ENTRY int Initialize() { return 0; }

// The plug-in reads on the calling thread, so it accepts the loader's thread manager without
// keeping it.
OVR_PLUGIN_ENTRY int SetThreadManager(ZUtils::ThreadManager*) { return 0; }

OVR_PLUGIN_ENTRY int ReleaseThreadManager() { return 0; }

OVR_PLUGIN_ENTRY int ImportFrameF3D(const char* path, FumaraFrameData* frame, bool headerOnly,
                                    CacheIO::GridMapping* mappings, int count, long long voxelLimit) {
    if (!frame || count < 0 || (count > 0 && !mappings)) return F3dBridge::ImportNoMappedLayer;
    try {
        VdbBridge::FrameFiller filler(*frame);
        return F3dBridge::importField3D(path, VdbBridge::channelRequests(mappings, count), headerOnly, voxelLimit,
                                        filler);
    } catch (...) {
        return F3dBridge::ImportOutOfMemory;
    }
}

OVR_PLUGIN_ENTRY int GetAvailableChannels(const char* path, CacheIO::AvailableChannelList* channels) {
    std::vector<F3dBridge::VolumeChannel> found;
    if (channels && F3dBridge::listField3DChannels(path, found)) VdbBridge::appendChannelRecords(found, *channels);
    return 0;
}
