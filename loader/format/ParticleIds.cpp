// Particle ids (channel 10, 64-bit): their decoding from a particle section and the lookup of a
// particle by id.
#include "loader/format/ParticleGroup.h"

#include "compression/EntropyCoder.h"
#include "loader/format/ArrayStorage.h"
#include "utils/Log.h"

#include <algorithm>
#include <cstring>

using CacheIO::ParticleIdChannel;

bool FumaraFrameData::PGroup::decodeIds(const void* bytes, int64_t length) {
    ChannelRecord& record = channels_[ParticleIdChannel];
    FMRUtils::EntropyCoder coder;
    bool decoded = FMRUtils::InitDecoder(coder, bytes, length);
    // The stream holds the difference to the previous id, as its low and then its high word. The
    // array grows with the ids actually decoded, so a damaged count cannot claim memory up front.
    record.decoded.SetSize(0);
    uint64_t previous = 0;
    for (int particle = 0; decoded && particle < count; ++particle) {
        int32_t low = 0;
        int32_t high = 0;
        decoded = FMRUtils::ReadValue(coder, low) && FMRUtils::ReadValue(coder, high) &&
                  record.decoded.SetSize(int64_t(particle + 1) * 8);
        if (!decoded)
            break;
        const uint64_t difference = uint64_t(uint32_t(low)) | uint64_t(uint32_t(high)) << 32;
        const uint64_t id = previous + difference;
        memcpy(record.decoded.data() + int64_t(particle) * 8, &id, 8);
        previous = id;
    }
    if (!decoded) {
        logMessage("Error decoding the particle ids of group %s\n", name.c_str());
        CacheIO::releaseStorage(record.decoded);
    }
    idOrderKnown_.store(false, std::memory_order_release);
    publish(record);
    return decoded;
}

int64_t FumaraFrameData::PGroup::idAt(int index) const {
    int64_t id;
    memcpy(&id, channels_[ParticleIdChannel].decoded.data() + int64_t(index) * 8, 8);
    return id;
}

bool FumaraFrameData::PGroup::prepareIdOrder() {
    if (idOrderKnown_.load(std::memory_order_acquire))
        return true;
    std::lock_guard<std::mutex> guard(groupLock_);
    if (idOrderKnown_.load(std::memory_order_relaxed))
        return true;
    bool ascending = true;
    for (int particle = 1; particle < count && ascending; ++particle)
        ascending = idAt(particle - 1) <= idAt(particle);
    if (!ascending) {
        if (!idOrder.SetSize(count, nullptr, true))
            return false;
        for (int particle = 0; particle < count; ++particle)
            idOrder[particle] = particle;
        std::sort(idOrder.data(), idOrder.data() + count, [this](int32_t a, int32_t b) { return idAt(a) < idAt(b); });
    }
    idOrderKnown_.store(true, std::memory_order_release);
    return true;
}

int FumaraFrameData::PGroup::findParticleById(long long id) {
    if (!hasChannel(ParticleIdChannel) || count <= 0)
        return -1;
    if (!decompressChannel(ParticleIdChannel, true))
        return -1;
    if (channels_[ParticleIdChannel].decoded.count() < int64_t(count) * 8 || !prepareIdOrder())
        return -1;
    const bool direct = idOrder.count() == 0;
    auto particleAt = [&](int position) { return direct ? position : idOrder[position]; };
    int low = 0;
    int high = count;
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        const int64_t value = idAt(particleAt(middle));
        if (id < value)
            high = middle;
        else if (id == value)
            return particleAt(middle);
        else
            low = middle;
    }
    return idAt(particleAt(low)) == id ? particleAt(low) : -1;
}
