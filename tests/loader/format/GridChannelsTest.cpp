// Grid channels: block search, both decoders, packed colour, derived speed and broken blocks.
#include "FormatTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace FormatTest;
using OvrWriter::Bytes;
using OvrWriter::CacheWriter;
using OvrWriter::GridDataBuilder;

namespace {

constexpr int X = 6, Y = 5, Z = 4;
constexpr int64_t V = X * Y * Z;

ReadResult readGrid(const GridDataBuilder& grid, int32_t version = 5, uint32_t extraFlags = 0) {
    CacheWriter writer(version);
    writer.channelFlags(grid.channelFlags() | extraFlags);
    writer.grid(X, Y, Z, grid.words());
    return importFile(writer);
}

std::vector<float> channel(FumaraFrameData& frame, int number) {
    const float* values = frame.getChannelData(number);
    return values ? std::vector<float>(values, values + V) : std::vector<float>();
}

Bytes rawBlock(const std::vector<float>& values) {
    return OvrWriter::rawZone(values.data(), static_cast<int32_t>(values.size()));
}

}  // namespace

TEST(GridChannels, QuantisedBlockDecodesToTheFormulaBehindAnotherBlock) {
    // A 1-D quantised zone with one delta pass: value i = float(sum of (q + m) up to i) / scale + minimum.
    std::vector<int32_t> q(V);
    for (int64_t i = 0; i < V; ++i)
        q[i] = static_cast<int32_t>((i * 5) % 7);
    OvrWriter::QuantisedZoneFields fields;
    fields.sizes = {static_cast<int32_t>(V)};
    fields.scale = 4.0f;
    fields.rangeMin = -1.5f;
    fields.offset = 3;
    fields.passes = 1;
    fields.entropy = OvrWriter::entropyStream(q.data(), q.size());
    GridDataBuilder grid;
    grid.addBlock(0, rawBlock(pattern(V)));
    grid.addBlock(2, OvrWriter::quantisedZone(fields));
    const ReadResult read = readGrid(grid);
    ASSERT_EQ(read.code, 0);
    std::vector<float> expected(V);
    int32_t running = 0;
    for (int64_t i = 0; i < V; ++i) {
        running = i == 0 ? q[0] + 3 : running + q[i] + 3;
        expected[i] = static_cast<float>(running) * (1.0f / 4.0f) + -1.5f;
    }
    EXPECT_EQ(channel(*read.frame, 2), expected);
    EXPECT_EQ(channel(*read.frame, 0), pattern(V));
    // Expanded once: the same array on every request.
    EXPECT_EQ(read.frame->getChannelData(2), read.frame->getChannelData(2));
}

TEST(GridChannels, ZoneTableFillsEachZonesPart) {
    const std::vector<float> values = pattern(V, 3.0f);
    std::vector<OvrWriter::ZoneTableEntry> zones;
    for (int32_t first = 0; first < V; first += 50) {
        const int32_t count = static_cast<int32_t>(std::min<int64_t>(50, V - first));
        zones.push_back({first, OvrWriter::rawZone(values.data() + first, count)});
    }
    GridDataBuilder grid;
    grid.addBlock(1, OvrWriter::zoneTableBlock(zones));
    const ReadResult read = readGrid(grid);
    ASSERT_EQ(read.code, 0);
    EXPECT_EQ(channel(*read.frame, 1), values);
}

TEST(GridChannels, VersionChoosesTheDecoder) {
    OvrWriter::QuantOptions options;
    options.bits = 12;
    options.passes = 1;
    const std::vector<float> values = pattern(V, 2.0f);
    std::vector<float> decoded;
    GridDataBuilder grid;
    grid.addBlock(0, OvrWriter::encodeChannel3D(values.data(), X, Y, Z, options, 2, &decoded));
    // 3-D zones up to version 4 and in a file claiming the "not read from a file" version.
    for (int32_t version : {4, 0x7FFFFFFF}) {
        const ReadResult read = readGrid(grid, version);
        ASSERT_EQ(read.code, 0);
        EXPECT_EQ(channel(*read.frame, 0), decoded) << version;
    }
    // From version 5 on the same block is read as 1-D zones and does not give these values.
    const ReadResult read5 = readGrid(grid, 5);
    EXPECT_NE(channel(*read5.frame, 0), decoded);

    GridDataBuilder grid1D;
    grid1D.addBlock(0, OvrWriter::encodeChannel1D(values.data(), V, options, 40));
    const ReadResult read1D = readGrid(grid1D, 5);
    const std::vector<float> result = channel(*read1D.frame, 0);
    ASSERT_EQ(result.size(), static_cast<size_t>(V));
    for (int64_t i = 0; i < V; ++i)
        EXPECT_NEAR(result[i], values[i], 4.0 / 4096) << i;
}

TEST(GridChannels, EmptyBlockEndsTheSearch) {
    GridDataBuilder grid;
    grid.addBlock(0, rawBlock(pattern(V)));
    grid.addBlockHeader(1, 0);
    grid.addBlock(2, rawBlock(pattern(V)));
    const ReadResult read = readGrid(grid);
    EXPECT_NE(read.frame->getChannelData(0), nullptr);
    EXPECT_EQ(read.frame->getChannelData(2), nullptr);
    EXPECT_EQ(read.frame->hasChannel(2), 1);  // from the flags, not the data
}

TEST(GridChannels, PackedColourUnpacksIntoSevenToNine) {
    std::vector<uint32_t> colours(V);
    for (int64_t i = 0; i < V; ++i)
        colours[i] = static_cast<uint32_t>(i * 0x010203u) & 0xFFFFFFu;
    colours[0] = 0x00FF8000u;
    GridDataBuilder grid;
    grid.addBlock(18, OvrWriter::packedColourPayload(colours.data(), V));
    const ReadResult read = readGrid(grid);
    FumaraFrameData& frame = *read.frame;
    EXPECT_EQ(frame.hasChannel(18), 0);
    for (int c : {7, 8, 9})
        EXPECT_EQ(frame.hasChannel(c), 1);
    const std::vector<float> green = channel(frame, 8);
    ASSERT_EQ(green.size(), static_cast<size_t>(V));
    EXPECT_EQ(channel(frame, 7)[0], 1.0f);
    EXPECT_NEAR(green[0], 0.50196f, 1e-5f);
    EXPECT_EQ(channel(frame, 9)[0], 0.0f);
    for (int64_t i = 0; i < V; ++i)
        EXPECT_EQ(green[i], static_cast<float>((colours[i] >> 8) & 0xFF) / 255.0f);
    // The packed channel itself never stays expanded, and asking for it leaves 7 to 9 as they are.
    float* red = frame.getChannelData(7);
    EXPECT_EQ(frame.getChannelData(18), nullptr);
    EXPECT_EQ(frame.getChannelData(7), red);
    EXPECT_EQ(red[0], 1.0f);
}

TEST(GridChannels, SpeedIsDerivedFromTheVelocity) {
    const std::vector<float> vx = pattern(V, 1.0f), vy = pattern(V, -2.0f, 0.5f), vz = pattern(V, 0.5f, 3.0f);
    GridDataBuilder grid;
    grid.addBlock(4, rawBlock(vx));
    grid.addBlock(5, rawBlock(vy));
    grid.addBlock(6, rawBlock(vz));
    const ReadResult read = readGrid(grid);
    EXPECT_EQ(read.frame->hasChannel(3), 1);
    const std::vector<float> speed = channel(*read.frame, 3);
    ASSERT_EQ(speed.size(), static_cast<size_t>(V));
    for (int64_t i = 0; i < V; ++i)
        EXPECT_EQ(speed[i], std::sqrt(vx[i] * vx[i] + vy[i] * vy[i] + vz[i] * vz[i])) << i;

    GridDataBuilder partial;
    partial.addBlock(4, rawBlock(vx));
    partial.addBlock(6, rawBlock(vz));
    const ReadResult withoutY = readGrid(partial);
    EXPECT_EQ(withoutY.frame->hasChannel(3), 0);
    EXPECT_EQ(withoutY.frame->getChannelData(3), nullptr);
}

TEST(GridChannels, BrokenBlocksYieldNullAndAMessageOnEveryRequest) {
    GridDataBuilder grid;
    grid.addBlock(0, Bytes{0x34, 0x12, 0, 0});              // not a codec block
    grid.addBlock(1, rawBlock(pattern(V - 1)));              // holds one value too few
    grid.addBlock(18, Bytes{200, 0, 0, 0, 0, 0, 0, 0, 1});   // colour stream longer than its block
    grid.addBlock(2, rawBlock(pattern(V)));
    const ReadResult read = readGrid(grid);
    LogCapture log;
    for (int c : {0, 1, 8}) {
        EXPECT_EQ(read.frame->getChannelData(c), nullptr) << c;
        EXPECT_EQ(read.frame->getChannelData(c), nullptr) << c;
    }
    EXPECT_EQ(log.count("Invalid cache file!!!\n"), 6);
    EXPECT_EQ(channel(*read.frame, 2), pattern(V));
}

TEST(GridChannels, BlockRunningPastTheGridDataIsNotFound) {
    GridDataBuilder grid;
    grid.addBlockHeader(0, 1000);
    grid.addWords({1, 2, 3});
    const ReadResult read = readGrid(grid);
    LogCapture log;
    EXPECT_EQ(read.frame->getChannelData(0), nullptr);
    EXPECT_TRUE(log.contains("runs past the end of the grid data")) << log.text();
}

TEST(GridChannels, UnusableResolutionYieldsNull) {
    CacheWriter writer(5);
    GridDataBuilder grid;
    grid.addBlock(0, rawBlock(pattern(8)));
    writer.grid(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, grid.words());
    const ReadResult read = importFile(writer);
    ASSERT_EQ(read.code, 0);
    LogCapture log;
    EXPECT_EQ(read.frame->getChannelData(0), nullptr);
    EXPECT_TRUE(log.contains("is not usable")) << log.text();
}

TEST(GridChannels, HeaderOnlyFrameHasNoChannelData) {
    GridDataBuilder grid;
    grid.addBlock(0, rawBlock(pattern(V)));
    CacheWriter writer(5);
    writer.channelFlags(grid.channelFlags());
    writer.grid(X, Y, Z, grid.words());
    const ReadResult read = importFile(writer, true);
    ASSERT_EQ(read.code, 0);
    EXPECT_EQ(read.frame->hasChannel(0), 1);
    EXPECT_EQ(read.frame->getChannelData(0), nullptr);
}

TEST(GridChannels, ChannelNumbersOutsideTheTable) {
    GridDataBuilder grid;
    grid.addBlock(0, rawBlock(pattern(V)));
    const ReadResult read = readGrid(grid, 5, 0x80000000u);
    EXPECT_EQ(read.frame->getChannelData(-1), nullptr);
    EXPECT_EQ(read.frame->getChannelData(32), nullptr);
    // Bit 31 of the flags is no channel; channel 32 reads bit 0.
    EXPECT_EQ(read.frame->hasChannel(31), 0);
    EXPECT_EQ(read.frame->hasChannel(32), 1);
    EXPECT_EQ(read.frame->hasChannel(1), 0);
}
