#include "tools/ovrinfo/FrameInspector.h"

#include "loader/format/FumaraFrameData.h"
#include "loader/format/ParticleGroup.h"
#include "platform/FileSystem.h"
#include "tools/ovrinfo/ChannelMeasurements.h"
#include "utils/Allocation.h"

#include <algorithm>
#include <memory>

namespace OvrInfo {
namespace {

constexpr int64_t NoVoxelLimit = -1;
// Bit 31 of the channel flags is a frame flag, not channel 31.
constexpr int StoredChannelLimit = 31;
constexpr int64_t NoChannelValue = -1;

void describeGridChannels(FumaraFrameData& frame, FrameSummary& summary) {
    const CacheIO::FrameDescription& description = frame.description;
    for (int c = 0; c < FumaraFrameData::GridChannelCount; ++c) {
        GridChannelInfo info;
        info.channel = c;
        info.stored = c < StoredChannelLimit && ((description.channelFlags >> c) & 1u) != 0;
        info.readable = frame.hasChannel(c) != 0;
        if (!info.stored && !info.readable) continue;
        const CacheIO::GridChannelRecord& record = frame.channelRecord(c);
        info.hasRange = record.minimum != CacheIO::GridChannelRecord::NoMinimum ||
                        record.maximum != CacheIO::GridChannelRecord::NoMaximum;
        info.rangeMinimum = record.minimum;
        info.rangeMaximum = record.maximum;
        info.hasValue = description.channelValues[c] != NoChannelValue;
        info.value = description.channelValues[c];
        summary.channels.push_back(info);
    }
}

void describeParticleGroups(FumaraFrameData& frame, FrameSummary& summary) {
    for (int i = 0; i < frame.groupCount(); ++i) {
        FumaraFrameData::PGroup& group = *frame.group(i);
        ParticleGroupInfo info;
        info.name = group.name;
        info.count = group.count;
        info.kind = group.kind;
        // Without its bulk data a group knows its channels from the particle directory only.
        info.channels = group.channelMask;
        for (int c = 0; c < CacheIO::ParticleChannelCount; ++c)
            if (group.hasChannel(c)) info.channels |= 1u << c;
        info.hasPositions = (info.channels & (1u << CacheIO::ParticlePositionChannel)) != 0;
        summary.groups.push_back(info);
    }
}

void describe(FumaraFrameData& frame, FrameSummary& summary) {
    const CacheIO::FrameDescription& description = frame.description;
    summary.containerVersion = description.containerVersion;
    summary.frameNumber = description.frameNumber;
    frame.getResolution(summary.resolution);
    frame.getTransform(summary.transform);
    summary.text = description.textChunk;
    std::copy(description.particleBounds, description.particleBounds + 6, summary.particleBounds);
    describeGridChannels(frame, summary);
    describeParticleGroups(frame, summary);
}

}  // namespace

FrameSummary inspectFrame(const FrameFile& file, bool withStats, LoaderLogCapture& log) {
    FrameSummary summary;
    summary.path = file.path;
    summary.frameInName = file.frame;
    summary.statsAsked = withStats;
    Platform::FileStatus status;
    summary.fileExists = Platform::fileStatus(file.path.c_str(), status);
    summary.fileSize = status.size;

    log.takeLines();  // whatever an earlier frame left behind
    FumaraFrameData* created = nullptr;
    if (!FMRUtils::newObject(created)) {
        summary.loadCode = FrameNotCreatedCode;
        summary.loadLines = log.takeLines();
        return summary;
    }
    std::unique_ptr<FumaraFrameData> frame(created);
    summary.loadCode = frame->load(file.path.c_str(), "", 0.0, NoVoxelLimit, !withStats);
    summary.loadLines = log.takeLines();
    if (!summary.loaded()) return summary;

    describe(*frame, summary);
    if (withStats) {
        measureGridChannels(*frame, summary, log);
        measureParticleChannels(*frame, summary, log);
    }
    return summary;
}

}  // namespace OvrInfo
