#include "loader/format/FumaraFrameData.h"

#include "compression/SGCompressor.h"
#include "loader/format/ArrayStorage.h"
#include "loader/format/ParticleGroup.h"

#include "utils/Allocation.h"

#include <cstring>

FumaraFrameData::FumaraFrameData() = default;

FumaraFrameData::~FumaraFrameData() {
    releaseAllChannels();
    clearGroups();
    delete decoder3_;
    delete decoder1_;
}

void FumaraFrameData::reset(bool headerOnly) {
    releaseAllChannels();
    CacheIO::releaseStorage(gridData);
    clearGroups();
    description = CacheIO::FrameDescription();
    if (headerOnly)
        description.flags |= CacheIO::FrameFlagHeaderOnly;
}

float* FumaraFrameData::getChannelData(int channel) {
    if (channel < 0 || channel >= GridChannelCount)
        return nullptr;
    // Held across the read of the record too, which another thread may be filling.
    channelLock_.lock();
    float* values = ExpandChannel(channel).values();
    channelLock_.unlock();
    return values;
}

int FumaraFrameData::hasChannel(int channel) {
    if (channel == PackedColourChannel)
        return 0;
    const uint32_t stored = description.channelFlags & 0x7FFFFFFFu;
    if (stored & (1u << (channel & 31)))
        return 1;
    if (channel >= 7 && channel <= 9 && (stored & (1u << PackedColourChannel)))
        return 1;
    if (channel == SpeedChannel)
        return hasChannel(4) && hasChannel(5) && hasChannel(6);
    return 0;
}

int FumaraFrameData::getResolution(int resolution[3]) {
    for (int axis = 0; axis < 3; ++axis)
        resolution[axis] = description.gridResolution[axis];
    return resolution[0];
}

void FumaraFrameData::getTransform(float transform[12]) {
    memcpy(transform, description.gridTransform, sizeof description.gridTransform);
}

int FumaraFrameData::getParticleGroupCount() {
    int visible = 0;
    for (PGroup* group : groups_)
        visible += group->hasChannel(CacheIO::ParticlePositionChannel) ? 1 : 0;
    return visible;
}

IFumaraPrtGroup* FumaraFrameData::getParticleGroup(int index) {
    if (index < 0)
        return nullptr;
    for (PGroup* group : groups_) {
        if (group->hasChannel(CacheIO::ParticlePositionChannel) && index-- == 0)
            return group;
    }
    return nullptr;
}

IFumaraPrtGroup* FumaraFrameData::findParticleGroup(const char* name) {
    const char* wanted = name ? name : "";
    for (PGroup* group : groups_) {
        if (group->name == wanted)
            return group;
    }
    return nullptr;
}

bool FumaraFrameData::resizeGroups(int count) {
    if (count < 0)
        return false;
    const int before = groupCount();
    for (int index = count; index < before; ++index)
        delete groups_[index];
    try {
        groups_.resize(static_cast<size_t>(count), nullptr);
    } catch (...) {
        return false;
    }
    for (int index = before; index < count; ++index) {
        if (!FMRUtils::newObject(groups_[index])) {
            groups_.resize(static_cast<size_t>(index));
            return false;
        }
    }
    return true;
}

void FumaraFrameData::clearGroups() {
    for (PGroup* group : groups_)
        delete group;
    std::vector<PGroup*>().swap(groups_);
}

bool FumaraFrameData::setGridDataPlaceholder() {
    const int32_t word = 0;
    CacheIO::releaseStorage(gridData);
    return gridData.SetSize(1, &word, true);
}
