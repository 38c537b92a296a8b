// The entry points of the vdbbridge plug-in, through which the loader lists and imports OpenVDB
// files. The frame is the loader's own FumaraFrameData, filled through its grid channel records.
#include "plugins/vdbbridge/BridgeGlue.h"

OVR_PLUGIN_ENTRY int Initialize() {
    return VdbBridge::initializeVolumeLibrary() ? 0 : 1;
}

// The plug-in's parallel work runs on OpenVDB's own task scheduler, so it accepts the loader's
// thread manager without keeping it.
OVR_PLUGIN_ENTRY int SetThreadManager(ZUtils::ThreadManager*) {
    return 0;
}

OVR_PLUGIN_ENTRY int ReleaseThreadManager() {
    return 0;
}

OVR_PLUGIN_ENTRY int ImportFrameVDB(const char* path, FumaraFrameData* frame, int*, bool headerOnly,
                                    CacheIO::GridMapping* mappings, int count, long long voxelLimit) {
    if (!frame || count < 0 || (count > 0 && !mappings)) return VdbBridge::ImportNoMappedGrid;
    try {
        VdbBridge::FrameFiller filler(*frame);
        return VdbBridge::importVolume(path, VdbBridge::channelRequests(mappings, count), headerOnly, voxelLimit,
                                       filler);
    } catch (...) {
        return VdbBridge::ImportOutOfMemory;
    }
}

OVR_PLUGIN_ENTRY int GetAvailableChannels(const char* path, CacheIO::AvailableChannelList* channels) {
    std::vector<VdbBridge::VolumeChannel> found;
    if (channels && VdbBridge::listVolumeChannels(path, found)) VdbBridge::appendChannelRecords(found, *channels);
    return 0;
}
