// Particle groups: the three storage forms, every method, ids, bounds and grid velocities.
#include "FormatTestSupport.h"

#include "platform/DebugOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace FormatTest;
using OvrWriter::CacheWriter;
using OvrWriter::ParticleChannel;
using OvrWriter::ParticleGroup;

namespace {

// Words for count particles of a channel: floats for most, counters for the integer-coded ones.
std::vector<uint32_t> wordsFor(int32_t channel, int32_t count) {
    const int64_t n = int64_t(count) * OvrWriter::particleChannelWords(channel);
    if (channel >= 12 && channel <= 16) {
        std::vector<uint32_t> words(n);
        for (int64_t i = 0; i < n; ++i)
            words[i] = static_cast<uint32_t>(i * 2654435761u);
        return words;
    }
    return floatWords(pattern(n, 10.0f + channel, 20.0f));
}

ParticleGroup groupWith(const std::string& name, int32_t count, std::initializer_list<int32_t> channels, int32_t method = 0) {
    ParticleGroup group;
    group.name = name;
    group.count = count;
    for (int32_t channel : channels)
        group.channels.push_back(channelData(channel, wordsFor(channel, count), method));
    return group;
}

IFumaraPrtGroup& groupNamed(FumaraFrameData& frame, const char* name) {
    IFumaraPrtGroup* group = frame.findParticleGroup(name);
    EXPECT_NE(group, nullptr) << name;
    return *group;
}

void expectChannelsRead(IFumaraPrtGroup& group, const ParticleGroup& written) {
    for (const ParticleChannel& channel : written.channels)
        EXPECT_EQ(channelWords(group, channel.channel, written.count), channel.words) << "channel " << channel.channel;
}

}  // namespace

TEST(ParticleGroups, SectionsReadBackExactly) {
    for (bool compressed : {false, true}) {
        ParticleGroup group = groupWith("smoke", 40, {0, 1, 2, 4, 12, 17, 25});
        group.kind = 7;
        group.groupWord = 0x1122334455667788ULL;
        CacheWriter writer(5);
        writer.particles({group}, compressed);
        const ReadResult read = importFile(writer);
        ASSERT_EQ(read.code, 0) << compressed;
        ASSERT_EQ(read.frame->getParticleGroupCount(), 1);
        FumaraFrameData::PGroup& loaded = *read.frame->group(0);
        EXPECT_EQ(loaded.getCount(), 40);
        EXPECT_EQ(loaded.kind, 7);
        uint64_t word;
        memcpy(&word, loaded.groupWord, 8);
        EXPECT_EQ(word, 0x1122334455667788ULL);
        EXPECT_EQ(loaded.hasChannel(3), 0);
        expectChannelsRead(loaded, group);
    }
}

TEST(ParticleGroups, EveryStoredMethodDecodesOnFirstUse) {
    for (int32_t method = 0; method <= 4; ++method) {
        // 33 particles: the bit planes of method 4 then take two words each.
        const ParticleGroup group = groupWith("g", 33, {0, 4, 10, 13, 20}, method);
        CacheWriter writer(5);
        writer.particleData({group});
        const ReadResult read = importFile(writer);
        ASSERT_EQ(read.code, 0) << method;
        FumaraFrameData::PGroup& loaded = *read.frame->group(0);
        EXPECT_EQ(loaded.channelMask, (1u << 0) | (1u << 4) | (1u << 10) | (1u << 13) | (1u << 20)) << method;
        EXPECT_EQ(loaded.record(4).decoded.count(), 0) << "decoded before use, method " << method;
        expectChannelsRead(loaded, group);
        // Once decoded, the stored bytes are dropped and the channel keeps its data.
        EXPECT_EQ(loaded.record(4).compressed.count(), 0);
        EXPECT_EQ(loaded.hasChannel(4), 1);
    }
}

TEST(ParticleGroups, UnknownMethodNeverYieldsValues) {
    ParticleGroup group = groupWith("g", 5, {0, 2});
    group.channels[1].method = 9;
    CacheWriter writer(5);
    writer.particleData({group});
    const ReadResult read = importFile(writer);
    FumaraFrameData::PGroup& loaded = *read.frame->group(0);
    LogCapture log;
    float value = 0;
    EXPECT_EQ(loaded.getParticleValue(0, 2, &value), 0);
    EXPECT_EQ(loaded.getParticleValue(1, 2, &value), 0);
    EXPECT_EQ(loaded.record(2).decoded.count(), 0);
    EXPECT_EQ(loaded.hasChannel(2), 1);
    EXPECT_EQ(log.text(), "");
}

TEST(ParticleGroups, BrokenStoredChannelLosesItsData) {
    ParticleGroup group = groupWith("g", 5, {0, 2});
    group.channels[1].method = 1;
    group.channels[1].storedBytes = OvrWriter::Bytes{0x78, 0x9C, 0xFF, 0xFF, 0xFF};
    CacheWriter writer(5);
    writer.particleData({group});
    const ReadResult read = importFile(writer);
    FumaraFrameData::PGroup& loaded = *read.frame->group(0);
    LogCapture log;
    float value = 0;
    EXPECT_EQ(loaded.getParticleValue(0, 2, &value), 0);
    EXPECT_TRUE(log.contains("Error decompressing particle channel 2 with method 1\n")) << log.text();
    EXPECT_EQ(loaded.hasChannel(2), 0);
    EXPECT_FALSE(loaded.decompressChannel(2, true));
    EXPECT_TRUE(log.contains("PGroup::decompressChannel failed: no compression data!\n"));
}

TEST(ParticleGroups, IdsAreFoundInOrderOrThroughTheIndex) {
    const std::vector<int64_t> ascending = {-5, 3, 3000000000LL, 3000000001LL, 1LL << 50};
    const std::vector<int64_t> shuffled = {40, -7, 1LL << 40, 12, 0, 39};
    ParticleGroup inOrder = groupWith("inOrder", 5, {0});
    inOrder.ids = ascending;
    ParticleGroup outOfOrder = groupWith("outOfOrder", 6, {0});
    outOfOrder.ids = shuffled;
    ParticleGroup withoutIds = groupWith("withoutIds", 3, {0});
    ParticleGroup empty = groupWith("empty", 0, {0});
    CacheWriter writer(5);
    writer.particles({inOrder, outOfOrder, withoutIds, empty}, false);
    const ReadResult read = importFile(writer);
    ASSERT_EQ(read.code, 0);
    IFumaraPrtGroup& first = groupNamed(*read.frame, "inOrder");
    for (size_t i = 0; i < ascending.size(); ++i)
        EXPECT_EQ(first.findParticleById(ascending[i]), static_cast<int>(i));
    EXPECT_EQ(read.frame->group(0)->record(10).decoded.count(), 40);
    IFumaraPrtGroup& second = groupNamed(*read.frame, "outOfOrder");
    for (size_t i = 0; i < shuffled.size(); ++i)
        EXPECT_EQ(second.findParticleById(shuffled[i]), static_cast<int>(i));
    int64_t id;
    ASSERT_EQ(second.getParticleValue(2, 10, &id), 1);
    EXPECT_EQ(id, 1LL << 40);
    for (IFumaraPrtGroup* group : {&first, &second})
        EXPECT_EQ(group->findParticleById(2), -1);
    EXPECT_EQ(groupNamed(*read.frame, "withoutIds").findParticleById(0), -1);
    IFumaraPrtGroup& none = groupNamed(*read.frame, "empty");
    EXPECT_EQ(none.getCount(), 0);
    EXPECT_EQ(none.findParticleById(0), -1);
}

TEST(ParticleGroups, StoredIdsAreSearchedToo) {
    const std::vector<int64_t> ids = {9, 4, 7, 1};
    ParticleGroup group = groupWith("g", 4, {0});
    group.channels.push_back(channelData(10, OvrWriter::idWords(ids), 1));
    CacheWriter writer(5);
    writer.particleData({group});
    const ReadResult read = importFile(writer);
    IFumaraPrtGroup& loaded = *read.frame->group(0);
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(loaded.findParticleById(ids[i]), static_cast<int>(i));
    EXPECT_EQ(loaded.findParticleById(5), -1);
}

TEST(ParticleGroups, BoundsSkipBadPositionsWithoutADirectory) {
    std::vector<float> positions = {1, 2, 3, -4, 5, 0.5f, 1e6f, 0, 0, std::nanf(""), 1, 1, 2, -1, 7};
    ParticleGroup group;
    group.name = "fire";
    group.count = 5;
    group.channels.push_back(channelData(0, floatWords(positions)));
    CacheWriter writer(5);
    writer.particles({group}, false);
    LogCapture log;
    std::string debugger;
    Platform::setDebugOutputHook([&](const char* text) { debugger += text; });
    const ReadResult read = importFile(writer);
    Platform::setDebugOutputHook(nullptr);
    ASSERT_EQ(read.code, 0);
    const float expected[6] = {-4, -1, 0.5f, 2, 5, 7};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(read.frame->description.particleBounds[i], expected[i]) << i;
    // A marked message: in the log file without its "#", at the debugger output with it.
    EXPECT_EQ(log.count("bad particles found in group fire, count:2\n"), 1);
    EXPECT_NE(debugger.find("#bad particles found in group fire, count:2\n"), std::string::npos) << debugger;

    // With a particle directory the bounds are the directory's.
    const float directoryBounds[6] = {-1, -1, -1, 1, 1, 1};
    CacheWriter withDirectory(5);
    withDirectory.particleDirectory({{"fire", 5, 1, 0}}, directoryBounds);
    withDirectory.particles({group}, false);
    const ReadResult second = importFile(withDirectory);
    EXPECT_EQ(0, memcmp(second.frame->description.particleBounds, directoryBounds, sizeof directoryBounds));
    EXPECT_EQ(log.count("bad particles"), 1);
}

TEST(ParticleGroups, GridVelocityKindSamplesTheGrid) {
    constexpr int X = 4, Y = 3, Z = 5;
    OvrWriter::GridDataBuilder grid;
    for (int axis = 0; axis < 3; ++axis) {
        // A linear field per component, which trilinear sampling reproduces.
        std::vector<float> field(X * Y * Z);
        for (int k = 0; k < Z; ++k)
            for (int j = 0; j < Y; ++j)
                for (int i = 0; i < X; ++i)
                    field[i + X * (j + Y * k)] = (axis + 1) * i + 2.0f * j - 0.5f * k;
        grid.addBlock(4 + axis, OvrWriter::rawZone(field.data(), X * Y * Z));
    }
    const std::vector<float> positions = {1.5f, 0.25f, 2.75f, -3, 1, 9, 3, 2, 4, 2.9f, 1.9f, 3.9f};
    ParticleGroup gridGroup;
    gridGroup.name = "grid";
    gridGroup.count = 4;
    gridGroup.kind = FumaraFrameData::PGroup::GridVelocityKind;
    gridGroup.channels.push_back(channelData(0, floatWords(positions)));
    ParticleGroup plain = gridGroup;
    plain.name = "plain";
    plain.kind = 0;
    CacheWriter writer(5);
    writer.channelFlags(grid.channelFlags());
    writer.grid(X, Y, Z, grid.words());
    writer.particles({gridGroup, plain}, false);
    const ReadResult read = importFile(writer);
    ASSERT_EQ(read.code, 0);
    IFumaraPrtGroup& sampled = groupNamed(*read.frame, "grid");
    EXPECT_EQ(sampled.hasChannel(1), 1);
    for (int p = 0; p < 4; ++p) {
        // Positions off the grid are clamped onto its faces.
        const float x = std::clamp(positions[3 * p], 0.0f, float(X - 1));
        const float y = std::clamp(positions[3 * p + 1], 0.0f, float(Y - 1));
        const float z = std::clamp(positions[3 * p + 2], 0.0f, float(Z - 1));
        float velocity[3];
        ASSERT_EQ(sampled.getParticleValue(p, 1, velocity), 1);
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_NEAR(velocity[axis], (axis + 1) * x + 2.0f * y - 0.5f * z, 1e-5) << p << " " << axis;
    }
    IFumaraPrtGroup& notSampled = groupNamed(*read.frame, "plain");
    float velocity[3];
    EXPECT_EQ(notSampled.hasChannel(1), 0);
    EXPECT_EQ(notSampled.getParticleValue(0, 1, velocity), 0);
}

TEST(ParticleGroups, GroupsWithoutPositionsAreOnlyFoundByName) {
    CacheWriter writer(5);
    writer.particles({groupWith("a", 3, {0}), groupWith("b", 3, {2}), groupWith("", 2, {0})}, true);
    const ReadResult read = importFile(writer);
    FumaraFrameData& frame = *read.frame;
    EXPECT_EQ(frame.getParticleGroupCount(), 2);
    EXPECT_STREQ(frame.getParticleGroup(0)->getName(), "a");
    EXPECT_STREQ(frame.getParticleGroup(1)->getName(), "");
    EXPECT_EQ(frame.getParticleGroup(2), nullptr);
    EXPECT_EQ(frame.getParticleGroup(-1), nullptr);
    EXPECT_EQ(groupNamed(frame, "b").getCount(), 0);
    EXPECT_EQ(frame.findParticleGroup(nullptr), frame.getParticleGroup(1));
    EXPECT_EQ(frame.findParticleGroup("A"), nullptr);
}

TEST(ParticleGroups, ChannelTable) {
    FumaraFrameData::PGroup group;
    EXPECT_EQ(group.getChannelByteSize(0), 12);
    EXPECT_EQ(group.getChannelByteSize(10), 8);
    EXPECT_EQ(group.getChannelByteSize(7), 0);
    EXPECT_EQ(group.getChannelByteSize(40), 4);
    EXPECT_EQ(group.getChannelType(10), 7);
    EXPECT_EQ(group.getChannelType(14), 6);
    EXPECT_EQ(group.getChannelType(17), 10);
    EXPECT_EQ(group.getChannelType(18), 0);
    EXPECT_EQ(group.getChannelComponents(4), 3);
    EXPECT_EQ(group.getChannelComponents(6), 0);
    EXPECT_EQ(group.getChannelComponents(31), 1);
    float value;
    EXPECT_EQ(group.getParticleValue(0, 0, &value), 0);
    EXPECT_EQ(group.hasChannel(-1), 0);
}

TEST(ParticleGroups, DirectoryOverwritesTheFieldsItCarries) {
    const float bounds[6] = {0, 0, 0, 1, 1, 1};
    CacheWriter writer(5);
    writer.particleData({groupWith("stored", 6, {0})});
    writer.particleDirectory({{"renamed", 6, 0x55, 3}, {"extra", 2, 0, 0}}, bounds);
    const ReadResult read = importFile(writer);
    ASSERT_EQ(read.frame->groupCount(), 2);
    FumaraFrameData::PGroup& first = *read.frame->group(0);
    EXPECT_EQ(first.name, "renamed");
    EXPECT_EQ(first.channelMask, 0x55u);
    EXPECT_EQ(first.kind, 3);
    EXPECT_EQ(channelWords(first, 0), wordsFor(0, 6));
    EXPECT_EQ(read.frame->group(1)->getCount(), 0);
}

TEST(ParticleGroups, HeaderOnlyLoadsParticleWordsOnlyWithoutADirectory) {
    const float bounds[6] = {0, 0, 0, 1, 1, 1};
    ParticleGroup group = groupWith("g", 4, {0});
    group.ids = {1, 2, 3, 4};
    CacheWriter withDirectory(5);
    withDirectory.particleDirectory({{"g", 4, 1, 0}}, bounds);
    withDirectory.particles({group}, false);
    const ReadResult skipped = importFile(withDirectory, true);
    ASSERT_EQ(skipped.code, 0);
    EXPECT_EQ(skipped.frame->group(0)->count, 4);
    EXPECT_EQ(skipped.frame->group(0)->hasChannel(0), 0);

    CacheWriter withoutDirectory(5);
    withoutDirectory.particles({group}, false);
    const ReadResult loaded = importFile(withoutDirectory, true);
    ASSERT_EQ(loaded.code, 0);
    EXPECT_EQ(channelWords(*loaded.frame->group(0), 0), wordsFor(0, 4));
    EXPECT_EQ(loaded.frame->group(0)->hasChannel(10), 0);  // ids are never read header-only
}
