// The entry points of the vdbbridge plug-in, through which the loader lists and imports OpenVDB
// files. The frame is the loader's own FumaraFrameData, filled through its grid channel records.
#include "loader/format/FumaraFrameData.h"
#include "loader/plugins/CachePluginInterface.h"
#include "plugins/vdbbridge/VdbVolume.h"

#include <cstring>

namespace {

class FrameFiller final : public VdbBridge::FrameTarget {
public:
    explicit FrameFiller(FumaraFrameData& frame) : frame_(frame) {}

    void setLayout(const int32_t resolution[3], const float worldToGrid[12]) override {
        std::memcpy(frame_.description.gridResolution, resolution, sizeof frame_.description.gridResolution);
        std::memcpy(frame_.description.gridTransform, worldToGrid, sizeof frame_.description.gridTransform);
    }

    float* channelStorage(int channel) override {
        CacheIO::GridChannelRecord& record = frame_.channelRecord(channel);
        if (!frame_.AllocateChannelGrid(record, frame_.description.gridResolution, 0)) return nullptr;
        markChannel(channel);
        return record.grid->values.data();
    }

    void markChannel(int channel) override { frame_.description.channelFlags |= 1u << channel; }

private:
    FumaraFrameData& frame_;
};

} // namespace

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
        std::vector<VdbBridge::ChannelRequest> requests;
        for (int i = 0; i < count; ++i) requests.push_back({mappings[i].name, mappings[i].channel, mappings[i].scale});
        FrameFiller filler(*frame);
        return VdbBridge::importVolume(path, requests, headerOnly, voxelLimit, filler);
    } catch (...) {
        return VdbBridge::ImportOutOfMemory;
    }
}

OVR_PLUGIN_ENTRY int GetAvailableChannels(const char* path, CacheIO::AvailableChannelList* channels) {
    std::vector<VdbBridge::VolumeChannel> found;
    if (!channels || !VdbBridge::listVolumeChannels(path, found)) return 0;
    try {
        for (const VdbBridge::VolumeChannel& channel : found) {
            CacheIO::AvailableChannels record;
            record.name = channel.name;
            record.flag = channel.vectorComponent ? 1 : 0;
            if (!channels->Append(record)) break;
        }
    } catch (...) {
        // A record that cannot be made ends the list there.
    }
    return 0;
}
