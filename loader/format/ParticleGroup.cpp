#include "loader/format/ParticleGroup.h"

#include "compression/SGCompressor.h"
#include "loader/format/ArrayStorage.h"

#include <cmath>
#include <cstring>

using CacheIO::ParticleChannelCount;

namespace {

bool validChannel(int channel) {
    return channel >= 0 && channel < ParticleChannelCount;
}

// Trilinear interpolation of one grid channel at a position in voxel coordinates.
class GridSampler {
public:
    GridSampler(const int32_t resolution[3], float x, float y, float z) : sizeX_(resolution[0]), sizeY_(resolution[1]) {
        const float position[3] = {x, y, z};
        bool inside = true;
        for (int axis = 0; axis < 3; ++axis)
            inside = inside && position[axis] >= 0 && position[axis] < static_cast<float>(resolution[axis] - 1);
        for (int axis = 0; axis < 3; ++axis) {
            const int last = resolution[axis] - 1;
            float at = position[axis];
            if (!inside) {
                // Clamped onto the grid; a NaN lands on 0.
                if (!(at >= 0))
                    at = 0;
                if (!(at <= static_cast<float>(last)))
                    at = static_cast<float>(last);
            }
            const float base = std::floor(at);
            low_[axis] = static_cast<int64_t>(base);
            high_[axis] = low_[axis] + 1 > last ? last : low_[axis] + 1;
            weight_[axis] = at - base;
        }
    }

    float sample(const float* values) const {
        float alongZ[2];
        for (int k = 0; k < 2; ++k) {
            float alongY[2];
            for (int j = 0; j < 2; ++j) {
                const float a = values[index(low_[0], j ? high_[1] : low_[1], k ? high_[2] : low_[2])];
                const float b = values[index(high_[0], j ? high_[1] : low_[1], k ? high_[2] : low_[2])];
                alongY[j] = a * (1 - weight_[0]) + b * weight_[0];
            }
            alongZ[k] = alongY[0] * (1 - weight_[1]) + alongY[1] * weight_[1];
        }
        return alongZ[0] * (1 - weight_[2]) + alongZ[1] * weight_[2];
    }

private:
    int64_t index(int64_t i, int64_t j, int64_t k) const { return i + sizeX_ * (j + sizeY_ * k); }

    int64_t sizeX_;
    int64_t sizeY_;
    int64_t low_[3];
    int64_t high_[3];
    float weight_[3];
};

}  // namespace

FumaraFrameData::PGroup::PGroup() = default;

FumaraFrameData::PGroup::~PGroup() {
    for (FMRUtils::SGCompressor<1>* decoder : decoders_)
        delete decoder;
}

const char* FumaraFrameData::PGroup::getName() {
    return name.c_str();
}

int FumaraFrameData::PGroup::getCount() {
    return channels_[CacheIO::ParticlePositionChannel].present.load(std::memory_order_acquire) ? count : 0;
}

int FumaraFrameData::PGroup::hasChannel(int channel) {
    if (!validChannel(channel))
        return 0;
    if (channel == CacheIO::ParticleVelocityChannel && kind == GridVelocityKind && owner)
        return owner->hasChannel(4);
    return channels_[channel].present.load(std::memory_order_acquire) ? 1 : 0;
}

int FumaraFrameData::PGroup::getChannelByteSize(int channel) {
    return 4 * CacheIO::particleChannelWords(channel);
}

int FumaraFrameData::PGroup::getChannelType(int channel) {
    return CacheIO::particleChannelType(channel);
}

int FumaraFrameData::PGroup::getChannelComponents(int channel) {
    return CacheIO::particleChannelComponents(channel);
}

int64_t FumaraFrameData::PGroup::bytesPerParticle(int channel) {
    return 4 * static_cast<int64_t>(CacheIO::particleChannelWords(channel));
}

int64_t FumaraFrameData::PGroup::decodedParticles(int channel) {
    const int64_t size = bytesPerParticle(channel);
    return size > 0 ? record(channel).decoded.count() / size : 0;
}

int FumaraFrameData::PGroup::getParticleValue(int particle, int channel, void* out) {
    if (!validChannel(channel) || particle < 0 || particle >= count)
        return 0;
    ChannelRecord& record = channels_[channel];
    if (record.present.load(std::memory_order_acquire)) {
        if (!decompressChannel(channel, true))
            return 0;
        const int64_t size = bytesPerParticle(channel);
        const int64_t at = size * particle;
        // Stored data may hold fewer particles than the group claims.
        if (at + size > record.decoded.count())
            return 0;
        if (size > 0)
            memcpy(out, record.decoded.data() + at, static_cast<size_t>(size));
        return 1;
    }
    if (channel != CacheIO::ParticleVelocityChannel)
        return 0;
    float velocity[3];
    if (!sampleGridVelocity(particle, velocity))
        return 0;
    memcpy(out, velocity, sizeof velocity);
    return 1;
}

bool FumaraFrameData::PGroup::sampleGridVelocity(int particle, float velocity[3]) {
    if (!owner || !hasChannel(CacheIO::ParticleVelocityChannel))
        return false;
    const float* components[3];
    for (int axis = 0; axis < 3; ++axis) {
        components[axis] = owner->getChannelData(4 + axis);
        if (!components[axis])
            return false;
    }
    float position[3];
    if (!getParticleValue(particle, CacheIO::ParticlePositionChannel, position))
        return false;
    const int32_t* resolution = owner->description.gridResolution;
    if (resolution[0] < 1 || resolution[1] < 1 || resolution[2] < 1)
        return false;
    const GridSampler sampler(resolution, position[0], position[1], position[2]);
    for (int axis = 0; axis < 3; ++axis)
        velocity[axis] = sampler.sample(components[axis]);
    return true;
}

void FumaraFrameData::PGroup::publish(ChannelRecord& record) {
    record.present.store(record.decoded.count() > 0 || record.compressed.count() > 0, std::memory_order_release);
    record.ready.store(record.decoded.count() > 0, std::memory_order_release);
}

void FumaraFrameData::PGroup::clearRecord(ChannelRecord& record) {
    CacheIO::releaseStorage(record.compressed);
    CacheIO::releaseStorage(record.decoded);
    publish(record);
}
