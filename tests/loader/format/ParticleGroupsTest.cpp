// Particle groups: the three storage forms, every method, ids, bounds and grid velocities.
#include "FormatTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace FormatTest;
using OvrWriter::CacheWriter;
using OvrWriter::ParticleGroup;

namespace {

// Words for count particles of a channel: floats for most, counters for the integer-coded ones.
std::vector<uint32_t> wordsFor(int32_t channel, int32_t count) {
    std::vector<uint32_t> words = floatWords(pattern(int64_t(count) * OvrWriter::particleChannelWords(channel), 10.0f + channel, 20.0f));
    for (size_t i = 0; channel >= 12 && channel <= 16 && i < words.size(); ++i)
        words[i] = static_cast<uint32_t>(i * 2654435761u);
    return words;
}

ParticleGroup groupWith(const std::string& name, int32_t count, std::initializer_list<int32_t> channels, int32_t method = 0) {
    ParticleGroup group = positionsGroup(name, count);
    group.channels.clear();
    for (int32_t channel : channels) group.channels.push_back(channelOf(channel, wordsFor(channel, count), method));
    return group;
}

void expectChannelsRead(IFumaraPrtGroup& group, const ParticleGroup& written) {
    for (const OvrWriter::ParticleChannel& channel : written.channels)
        EXPECT_EQ(channelWords(group, channel.channel, written.count), channel.words) << "channel " << channel.channel;
}

// Every id is found at its particle and ids not stored are not found.
void expectIdsFound(IFumaraPrtGroup& group, const std::vector<int64_t>& ids) {
    for (size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(group.findParticleById(ids[i]), static_cast<int>(i)) << ids[i];
        int64_t id = 0;
        EXPECT_EQ(group.getParticleValue(static_cast<int>(i), 10, &id), 1);
        EXPECT_EQ(id, ids[i]);
    }
    for (int64_t missing : {int64_t(2), int64_t(-6), int64_t(1) << 51})
        EXPECT_EQ(group.findParticleById(missing), -1) << missing;
}

}  // namespace

TEST(ParticleGroups, SectionsReadBackExactly) {
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "record 13" : "record 7");
        ParticleGroup group = groupWith("smoke", 6, {0, 1, 2, 4, 12, 17, 25});
        group.kind = 7;
        group.groupWord = 0x1122334455667788ULL;
        // Ids in ascending order are searched directly, others through an index.
        group.ids = compressed ? std::vector<int64_t>{40, -7, 1LL << 40, 12, 0, 39}
                               : std::vector<int64_t>{-5, 3, 3000000000LL, 3000000001LL, 1LL << 50, (1LL << 50) + 1};
        CacheWriter writer(5);
        writer.particles({group, groupWith("b", 3, {2}), groupWith("", 2, {0})}, compressed);
        const ReadResult read = importFile(writer);
        ASSERT_EQ(read.code, 0);
        FumaraFrameData& frame = *read.frame;
        // Groups without positions are only found by name.
        EXPECT_EQ(frame.getParticleGroupCount(), 2);
        for (int index : {2, -1}) EXPECT_EQ(frame.getParticleGroup(index), nullptr) << index;
        EXPECT_STREQ(frame.getParticleGroup(1)->getName(), "");
        EXPECT_EQ(frame.findParticleGroup(nullptr), frame.getParticleGroup(1));
        EXPECT_EQ(frame.findParticleGroup("b")->getCount(), 0);
        EXPECT_EQ(frame.findParticleGroup("SMOKE"), nullptr);
        EXPECT_EQ(frame.getParticleGroup(1)->findParticleById(0), -1);
        ASSERT_EQ(frame.getParticleGroup(0), frame.group(0));
        FumaraFrameData::PGroup& loaded = *frame.group(0);
        EXPECT_EQ(loaded.getCount(), 6);
        EXPECT_EQ(loaded.kind, 7);
        EXPECT_EQ(0, memcmp(loaded.groupWord, &group.groupWord, 8));
        for (int absent : {-1, 3, 32}) EXPECT_EQ(loaded.hasChannel(absent), 0) << absent;
        expectChannelsRead(loaded, group);
        expectIdsFound(loaded, group.ids);
    }
}

TEST(ParticleGroups, EveryStoredMethodDecodesOnFirstUse) {
    // 33 particles: the bit planes of method 4 then take two words each.
    std::vector<int64_t> ids;
    for (int p = 0; p < 33; ++p) ids.push_back((p % 3 ? int64_t(1) << 40 : -5) + p * 1000003);
    for (int32_t method = 0; method <= 4; ++method) {
        SCOPED_TRACE(method);
        ParticleGroup group = groupWith("g", 33, {0, 4, 13, 20}, method);
        group.channels.push_back(channelOf(10, OvrWriter::idWords(ids), method));
        ParticleGroup stored = group;
        stored.channels.push_back(channelOf(32, wordsFor(31, 33)));  // no such channel: passed over
        CacheWriter writer(5);
        writer.particleData({stored});
        const ReadResult read = importFile(writer);
        ASSERT_EQ(read.code, 0);
        FumaraFrameData::PGroup& loaded = *read.frame->group(0);
        EXPECT_EQ(loaded.channelMask, (1u << 0) | (1u << 4) | (1u << 10) | (1u << 13) | (1u << 20));
        EXPECT_EQ(loaded.record(4).decoded.count(), 0) << "decoded before use";
        expectChannelsRead(loaded, group);
        expectIdsFound(loaded, ids);
        // Once decoded, the stored bytes are dropped and the channel keeps its data.
        EXPECT_EQ(loaded.record(4).compressed.count(), 0);
        EXPECT_EQ(loaded.hasChannel(4), 1);
    }
}

TEST(ParticleGroups, UndecodableChannelsYieldNoValues) {
    // In a compressed section: channel 2 one value short, and undecodable ids.
    ParticleGroup section = positionsGroup("s", 4);
    section.channels.push_back(channelOf(2, floatWords(pattern(4))));
    section.channels[1].storedBytes = OvrWriter::rawZone(pattern(3).data(), 3);
    section.idBytes = OvrWriter::Bytes{1, 2, 3};
    CacheWriter writer(5);
    writer.particles({section}, true);
    LogCapture log;
    const ReadResult read = importFile(writer);
    ASSERT_EQ(read.code, 0);
    IFumaraPrtGroup& sectionRead = *read.frame->findParticleGroup("s");
    for (int channel : {2, 10}) EXPECT_EQ(sectionRead.hasChannel(channel), 0) << channel;
    EXPECT_EQ(sectionRead.findParticleById(1), -1);
    EXPECT_EQ(channelWords(sectionRead, 0), section.channels[0].words);
    EXPECT_EQ(log.text(), "Error decompressing particle channel 2 of group s\nError decoding the particle ids of group s\n");

    // Stored: channel 2 in an unknown method keeps its bytes silently; channel 3, broken zlib, loses them.
    ParticleGroup stored = groupWith("g", 5, {0, 2, 3}, 1);
    stored.channels[1].method = 9;
    stored.channels[2].storedBytes = OvrWriter::Bytes{0x78, 0x9C, 0xFF, 0xFF, 0xFF};
    CacheWriter storedOnly(5);
    storedOnly.particleData({stored});
    LogCapture storedLog;
    const ReadResult storedRead = importFile(storedOnly);
    FumaraFrameData::PGroup& loaded = *storedRead.frame->group(0);
    float value[3];
    for (int particle : {0, 1})
        for (int channel : {2, 3})
            EXPECT_EQ(loaded.getParticleValue(particle, channel, value), 0) << particle << " " << channel;
    EXPECT_EQ(loaded.hasChannel(2), 1);
    EXPECT_EQ(loaded.hasChannel(3), 0);
    EXPECT_FALSE(loaded.decompressChannel(3, true));
    EXPECT_EQ(storedLog.text(), "[ERROR] Decompressing Zip (-3)\nError decompressing particle channel 3 with method 1\n"
                                "PGroup::decompressChannel failed: no compression data!\n");
}

TEST(ParticleGroups, BoundsSkipBadPositionsWithoutADirectory) {
    ParticleGroup group = positionsGroup("fire", 5);
    group.channels = {channelOf(0, floatWords({1, 2, 3, -4, 5, 0.5f, 1e6f, 0, 0, std::nanf(""), 1, 1, 2, -1, 7}))};
    CacheWriter writer(5);
    writer.particles({group}, false);
    LogCapture log;
    const float expected[6] = {-4, -1, 0.5f, 2, 5, 7};
    EXPECT_EQ(0, memcmp(importFile(writer).frame->description.particleBounds, expected, sizeof expected));
    EXPECT_EQ(log.text(), "bad particles found in group fire, count:2\n");

    // With a particle directory the bounds are the directory's, and positions are not checked.
    const float directoryBounds[6] = {-1, -1, -1, 1, 1, 1};
    writer.particleDirectory({{"fire", 5, 1, 0}}, directoryBounds);
    LogCapture directoryLog;
    EXPECT_EQ(0, memcmp(importFile(writer).frame->description.particleBounds, directoryBounds, sizeof directoryBounds));
    EXPECT_EQ(directoryLog.text(), "");
}

TEST(ParticleGroups, DirectoryOverwritesTheFieldsItCarries) {
    const float bounds[6] = {0, 0, 0, 1, 1, 1};
    CacheWriter writer(5);
    writer.particleData({groupWith("stored", 6, {0})});
    writer.particleDirectory({{"renamed", 6, 0x55, 3}, {"extra", 2, 0, 0}}, bounds);
    const ReadResult read = importFile(writer);
    ASSERT_EQ(read.frame->groupCount(), 2);
    FumaraFrameData::PGroup& first = *read.frame->group(0);
    EXPECT_EQ(std::make_tuple(first.name, first.channelMask, first.kind), std::make_tuple(std::string("renamed"), 0x55u, 3));
    EXPECT_EQ(channelWords(first, 0), wordsFor(0, 6));
    EXPECT_EQ(read.frame->group(1)->getCount(), 0);
}

TEST(ParticleGroups, GridVelocityKindSamplesTheGrid) {
    constexpr int X = 4, Y = 3, Z = 5;
    OvrWriter::GridDataBuilder grid;
    for (int axis = 0; axis < 3; ++axis) {
        // A linear field per component, which trilinear sampling reproduces.
        std::vector<float> field(X * Y * Z);
        for (int i = 0; i < X * Y * Z; ++i) field[i] = (axis + 1) * (i % X) + 2.0f * (i / X % Y) - 0.5f * (i / (X * Y));
        grid.addBlock(4 + axis, OvrWriter::rawZone(field.data(), X * Y * Z));
    }
    const std::vector<float> positions = {1.5f, 0.25f, 2.75f, -3, 1, 9, 3, 2, 4, 2.9f, 1.9f, 3.9f};
    ParticleGroup sampled = positionsGroup("grid", 4);
    sampled.channels[0].words = floatWords(positions);
    sampled.kind = FumaraFrameData::PGroup::GridVelocityKind;
    ParticleGroup plain = sampled;
    plain.name = "plain";
    plain.kind = 0;
    CacheWriter writer(5);
    writer.channelFlags(grid.channelFlags());
    writer.grid(X, Y, Z, grid.words());
    writer.particles({sampled, plain}, false);
    const ReadResult read = importFile(writer);
    IFumaraPrtGroup& sampledRead = *read.frame->findParticleGroup("grid");
    EXPECT_EQ(sampledRead.hasChannel(1), 1);
    for (int p = 0; p < 4; ++p) {
        // Positions off the grid are clamped onto its faces.
        const float x = std::clamp(positions[3 * p], 0.0f, float(X - 1));
        const float y = std::clamp(positions[3 * p + 1], 0.0f, float(Y - 1));
        const float z = std::clamp(positions[3 * p + 2], 0.0f, float(Z - 1));
        float velocity[3];
        ASSERT_EQ(sampledRead.getParticleValue(p, 1, velocity), 1);
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_NEAR(velocity[axis], (axis + 1) * x + 2.0f * y - 0.5f * z, 1e-5) << p << " " << axis;
    }
    float velocity[3];
    EXPECT_EQ(read.frame->findParticleGroup("plain")->hasChannel(1), 0);
    EXPECT_EQ(read.frame->findParticleGroup("plain")->getParticleValue(0, 1, velocity), 0);
}
