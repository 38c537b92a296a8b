// One named particle group of a frame, seen by hosts as IFumaraPrtGroup. Channel data arrives in
// one of three forms: copied from a raw particle section, decoded from a compressed section, or
// kept compressed per channel (particle data chunk) until it is first needed.
#pragma once

#include "loader/format/FumaraFrameData.h"
#include "loader/format/ParticleChannels.h"
#include "utils/FmrArray.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class FumaraFrameData::PGroup : public IFumaraPrtGroup {
public:
    // Groups of this kind take their velocities (channel 1) from the frame's grid.
    static constexpr int32_t GridVelocityKind = 0x30000;

    using Bytes = FMRUtils::FmrArray<char, int64_t>;

    // One channel's data; the lock serialises its decoding.
    struct ChannelRecord {
        std::mutex lock;
        int32_t method = 0;
        Bytes compressed;
        Bytes decoded;
        // Set, once the decoded bytes are final, for readers that do not take the lock.
        std::atomic<bool> ready{false};
        // Whether either array holds bytes.
        std::atomic<bool> present{false};
    };

    PGroup();
    virtual ~PGroup();
    PGroup(const PGroup&) = delete;
    PGroup& operator=(const PGroup&) = delete;

    // IFumaraPrtGroup.
    const char* getName() override;
    int getCount() override;
    int getParticleValue(int particle, int channel, void* out) override;
    int hasChannel(int channel) override;
    int getChannelByteSize(int channel) override;
    int findParticleById(long long id) override;
    int getChannelType(int channel) override;
    int getChannelComponents(int channel) override;

    // Makes the channel's decoded bytes available (ParticleDecoding.cpp); with freeCompressed the
    // compressed bytes are dropped afterwards. False when there is nothing to decode, the method
    // is unknown, or the data is broken (the channel then loses its data).
    bool decompressChannel(int channel, bool freeCompressed);

    // Filling the group while a file is read (ParticleDecoding.cpp). Each returns false when
    // the data lies outside the section or memory runs out; a section channel whose block does not
    // decode is logged and left without data.
    // Raw section: count * words(channel) words from words[offset] on.
    bool copyRawChannel(int channel, const uint32_t* words, int64_t wordCount, int64_t offset);
    // Compressed section: one codec block from words[offset] to the end of the words, holding the
    // channel component-major.
    bool decodeSectionChannel(int channel, const uint32_t* words, int64_t wordCount, int64_t offset);
    // Particle data chunk: the method of one channel and room for its stored bytes, which the
    // reader then reads into record(channel).compressed.
    bool storeCompressedChannel(int channel, int32_t method, int64_t length);
    // Encoded particle ids (ParticleIds.cpp): two entropy symbols per particle, the low and high
    // word of the difference to the previous id.
    bool decodeIds(const void* bytes, int64_t length);

    ChannelRecord& record(int channel) { return channels_[channel & 31]; }
    // Particles whose values of the channel are decoded: the stored data may hold fewer than `count`.
    int64_t decodedParticles(int channel);

    std::string name;
    uint32_t channelMask = 0;
    int32_t kind = 0;
    int32_t count = 0;
    uint8_t groupWord[8] = {};
    FumaraFrameData* owner = nullptr;

private:
    // Bytes of one particle in channel.
    static int64_t bytesPerParticle(int channel);
    // The record's decoded bytes become final and visible to lock-free readers.
    static void publish(ChannelRecord& record);
    // Drops the record's data.
    static void clearRecord(ChannelRecord& record);
    bool decodeMethod(int channel, ChannelRecord& record);
    // The velocity of one particle sampled from the owner's grid channels 4 to 6.
    bool sampleGridVelocity(int particle, float velocity[3]);
    // Decides once whether the ids ascend; when they do not, builds idOrder.
    bool prepareIdOrder();
    int64_t idAt(int index) const;

    ChannelRecord channels_[CacheIO::ParticleChannelCount];
    FMRUtils::SGCompressor<1>* decoders_[CacheIO::ParticleChannelCount] = {};
    // Empty when the ids ascend; otherwise the particle indices in ascending id order.
    FMRUtils::FmrArray<int32_t> idOrder;
    std::mutex groupLock_;
    std::atomic<bool> idOrderKnown_{false};
};
