// The grid channels that are derived rather than stored: the colour channels 7 to 9 unpacked from
// the packed colour channel 18, and the speed channel 3 from the velocity channels 4 to 6.
#include "loader/format/FumaraFrameData.h"

#include "parallel/FmrParallel.h"

#include <cmath>
#include <cstring>

namespace {

// Channel 3 = |(channel 4, channel 5, channel 6)| per voxel, as a flat loop over voxel indices.
class MTBuildScalarSpeedFromVelocity : public FMRUtils::FmrParallel {
public:
    const float* x = nullptr;
    const float* y = nullptr;
    const float* z = nullptr;
    float* speed = nullptr;

    int processJob(FMRUtils::Job* job) override {
        for (int64_t voxel = job->sliceStart; voxel < job->sliceEnd; ++voxel)
            speed[voxel] = std::sqrt(x[voxel] * x[voxel] + y[voxel] * y[voxel] + z[voxel] * z[voxel]);
        return 0;
    }

    const char* getName() override { return "MTBuildScalarSpeedFromVelocity"; }
};

}  // namespace

bool FumaraFrameData::unpackColour() {
    CacheIO::GridChannelRecord& packed = channels_[PackedColourChannel];
    int targets[3];
    int targetCount = 0;
    for (int channel = 7; channel <= 9; ++channel) {
        if (channels_[channel].loaded)
            continue;
        if (!AllocateChannelGrid(channels_[channel], description.gridResolution, 0)) {
            // No half-made colour grids: drop the ones made so far.
            for (int made = 0; made < targetCount; ++made)
                ReleaseChannelGrid(channels_[targets[made]]);
            ReleaseChannelGrid(packed);
            return false;
        }
        targets[targetCount++] = channel;
    }
    const int64_t voxels = voxelCount();
    const float* words = packed.grid->values.data();
    for (int made = 0; made < targetCount; ++made) {
        // Red lies in bits 16 to 23, green in 8 to 15, blue in 0 to 7.
        const int shift = 8 * (9 - targets[made]);
        float* out = channels_[targets[made]].grid->values.data();
        for (int64_t voxel = 0; voxel < voxels; ++voxel) {
            uint32_t word;
            memcpy(&word, words + voxel, sizeof word);
            out[voxel] = static_cast<float>((word >> shift) & 0xFF) / 255.0f;
        }
    }
    // The packed channel never stays expanded.
    ReleaseChannelGrid(packed);
    return true;
}

bool FumaraFrameData::buildSpeed() {
    const int64_t voxels = voxelCount();
    for (int channel = 4; channel <= 6; ++channel) {
        const CacheIO::GridChannelRecord& velocity = ExpandChannel(channel);
        if (!velocity.values() || velocity.grid->values.count() < voxels)
            return false;
    }
    CacheIO::GridChannelRecord& record = channels_[SpeedChannel];
    if (!AllocateChannelGrid(record, description.gridResolution, 0))
        return false;
    MTBuildScalarSpeedFromVelocity job;
    job.x = channels_[4].grid->values.data();
    job.y = channels_[5].grid->values.data();
    job.z = channels_[6].grid->values.data();
    job.speed = record.grid->values.data();
    job.setupThreads();
    if (job.jobCount() == 0) {
        ReleaseChannelGrid(record);
        return false;
    }
    job.prepare(voxels);
    job.run(0);
    return true;
}
