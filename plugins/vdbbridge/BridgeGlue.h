// What both cache plug-ins share between the loader's objects and their volume readers: the frame
// as a FrameTarget, the mapping records as channel requests, and found channels as list records.
#pragma once

#include "loader/format/FumaraFrameData.h"
#include "loader/plugins/CachePluginInterface.h"
#include "plugins/vdbbridge/VdbVolume.h"

#include <cstring>
#include <vector>

namespace VdbBridge {

// The loader's frame, filled through its grid channel records.
class FrameFiller final : public FrameTarget {
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

// One request per mapping record, in order. May throw std::bad_alloc.
inline std::vector<ChannelRequest> channelRequests(const CacheIO::GridMapping* mappings, int count) {
    std::vector<ChannelRequest> requests;
    for (int i = 0; i < count; ++i) requests.push_back({mappings[i].name, mappings[i].channel, mappings[i].scale});
    return requests;
}

// Appends a record per channel, flagged 1 for a vector component; a record that cannot be made
// ends the list there.
inline void appendChannelRecords(const std::vector<VolumeChannel>& found, CacheIO::AvailableChannelList& channels) {
    try {
        for (const VolumeChannel& channel : found) {
            CacheIO::AvailableChannels record;
            record.name = channel.name;
            record.flag = channel.vectorComponent ? 1 : 0;
            if (!channels.Append(record)) break;
        }
    } catch (...) {}
}

}  // namespace VdbBridge
