#include "tools/ovrinfo/ChannelMeasurements.h"

#include "loader/format/FumaraFrameData.h"
#include "loader/format/ParticleGroup.h"

#include <cstring>

namespace OvrInfo {
namespace {

// Particle value types whose words are integers; the others are read as floats.
constexpr int IdType = 7;
constexpr int IntegerType = 6;
constexpr int MaxParticleValueBytes = 16;

void measureGridChannel(FumaraFrameData& frame, GridChannelInfo& info, LoaderLogCapture& log) {
    log.takeLines();
    const float* values = frame.getChannelData(info.channel);
    info.loaderLines = log.takeLines();
    const int64_t voxels = frame.voxelCount();
    if (!values || voxels < 0) {
        info.decode = DecodeState::Failed;
        return;
    }
    for (int64_t v = 0; v < voxels; ++v) info.stats.add(values[v]);
    info.decode = DecodeState::Decoded;
}

void addParticleValue(const unsigned char* bytes, ParticleChannelInfo& info) {
    for (int k = 0; k < info.components; ++k) {
        if (info.type == IdType) {
            int64_t id;
            std::memcpy(&id, bytes + 8 * k, sizeof id);
            info.integers[k].add(id);
        } else if (info.type == IntegerType) {
            int32_t word;
            std::memcpy(&word, bytes + 4 * k, sizeof word);
            info.integers[k].add(word);
        } else {
            float value;
            std::memcpy(&value, bytes + 4 * k, sizeof value);
            info.floats[k].add(value);
        }
    }
}

ParticleChannelInfo measureParticleChannel(IFumaraPrtGroup& group, int32_t count, int channel,
                                           LoaderLogCapture& log) {
    ParticleChannelInfo info;
    info.channel = channel;
    info.type = group.getChannelType(channel);
    info.components = group.getChannelComponents(channel);
    const int byteSize = group.getChannelByteSize(channel);
    if (info.components < 1 || byteSize > MaxParticleValueBytes || byteSize < 4 * info.components) {
        info.decode = DecodeState::Failed;
        return info;
    }
    if (info.type == IdType || info.type == IntegerType)
        info.integers.resize(static_cast<size_t>(info.components));
    else
        info.floats.resize(static_cast<size_t>(info.components));

    log.takeLines();
    unsigned char bytes[MaxParticleValueBytes];
    for (int32_t p = 0; p < count; ++p) {
        if (!group.getParticleValue(p, channel, bytes)) break;
        addParticleValue(bytes, info);
        ++info.particlesRead;
    }
    info.loaderLines = log.takeLines();
    info.decode = info.particlesRead == count ? DecodeState::Decoded : DecodeState::Failed;
    return info;
}

}  // namespace

void measureGridChannels(FumaraFrameData& frame, FrameSummary& summary, LoaderLogCapture& log) {
    for (GridChannelInfo& info : summary.channels) {
        // The packed colour channel is read as the three colour channels only.
        if (!info.readable) continue;
        measureGridChannel(frame, info, log);
        frame.ReleaseChannelGrid(frame.channelRecord(info.channel));
    }
}

void measureParticleChannels(FumaraFrameData& frame, FrameSummary& summary, LoaderLogCapture& log) {
    for (int i = 0; i < frame.groupCount() && i < static_cast<int>(summary.groups.size()); ++i) {
        FumaraFrameData::PGroup& group = *frame.group(i);
        ParticleGroupInfo& info = summary.groups[static_cast<size_t>(i)];
        for (int c = 0; c < CacheIO::ParticleChannelCount; ++c) {
            // Channels without values per particle (the undefined 6 to 8) have nothing to measure.
            if ((info.channels & (1u << c)) == 0 || group.getChannelByteSize(c) == 0) continue;
            info.stats.push_back(measureParticleChannel(group, group.count, c, log));
        }
    }
}

}  // namespace OvrInfo
