// Grid channels: block search, the decoder per version, packed colour, derived speed and broken blocks.
#include "FormatTestSupport.h"

#include <gtest/gtest.h>

using namespace FormatTest;
using OvrWriter::Bytes;
using OvrWriter::GridDataBuilder;

namespace {

constexpr int X = 6, Y = 5, Z = 4;
constexpr int64_t V = X * Y * Z;

ReadResult readGrid(const GridDataBuilder& grid, int32_t version = 5, uint32_t extraFlags = 0, int32_t size = X) {
    return importBytes(cacheFile(version, [&](OvrWriter::CacheWriter& w) {
        w.channelFlags(grid.channelFlags() | extraFlags);
        w.grid(size, size == X ? Y : size, size == X ? Z : size, grid.words());
    }));
}

std::vector<float> channel(FumaraFrameData& frame, int number) {
    const float* values = frame.getChannelData(number);
    return values ? std::vector<float>(values, values + V) : std::vector<float>();
}

Bytes rawBlock(const std::vector<float>& values) {
    return OvrWriter::rawZone(values.data(), static_cast<int32_t>(values.size()));
}

}  // namespace

TEST(GridChannels, VersionChoosesTheDecoder) {
    OvrWriter::QuantOptions options;
    options.bits = 12;
    const std::vector<float> values = pattern(V, 2.0f);
    std::vector<float> decoded;
    GridDataBuilder grid;
    grid.addBlock(1, rawBlock(pattern(V)));
    grid.addBlock(0, OvrWriter::encodeChannel3D(values.data(), X, Y, Z, options, 2, &decoded));
    // 3-D zones up to version 4 and in a file claiming the "not read from a file" version.
    for (int32_t version : {4, 0x7FFFFFFF}) {
        const ReadResult read = readGrid(grid, version);
        EXPECT_EQ(channel(*read.frame, 0), decoded) << version;
        // Expanded once: the same array on every request.
        EXPECT_EQ(read.frame->getChannelData(0), read.frame->getChannelData(0));
    }
    // From version 5 on the same block is read as 1-D zones and does not give these values.
    EXPECT_NE(channel(*readGrid(grid, 5).frame, 0), decoded);
    GridDataBuilder grid1D;
    grid1D.addBlock(0, OvrWriter::encodeChannel1D(values.data(), V, options, 40));
    const std::vector<float> result = channel(*readGrid(grid1D, 5).frame, 0);
    ASSERT_EQ(result.size(), static_cast<size_t>(V));
    for (int64_t i = 0; i < V; ++i) EXPECT_NEAR(result[i], values[i], 4.0 / 4096) << i;
}

TEST(GridChannels, UnreadableBlocksYieldNullAndAMessageOnEveryRequest) {
    // message: logged once per request, or nothing when empty.
    struct Case { const char* name; int channel; const char* message; std::function<void(GridDataBuilder&)> blocks;
                  bool laterBlocksFound = false; int32_t size = X; };
    const Case cases[] = {
        {"not a codec block", 0, "Invalid cache file!!!\n", [](GridDataBuilder& g) { g.addBlock(0, Bytes{0x34, 0x12, 0, 0}); }, true},
        {"one value too few", 1, "Invalid cache file!!!\n", [](GridDataBuilder& g) { g.addBlock(1, rawBlock(pattern(V - 1))); }, true},
        {"colour stream longer than its block", 8, "Invalid cache file!!!\n",
         [](GridDataBuilder& g) { g.addBlock(18, Bytes{200, 0, 0, 0, 0, 0, 0, 0, 1}); }, true},
        {"behind an empty block", 2, "", [](GridDataBuilder& g) { g.addBlockHeader(1, 0); }},
        {"past the grid data", 0, "Grid channel 0 runs past the end of the grid data!\n",
         [](GridDataBuilder& g) { g.addBlockHeader(0, 1000); g.addWords({1, 2, 3}); }},
        {"unusable resolution", 0, "Grid resolution 2147483647 x 2147483647 x 2147483647 is not usable!\n",
         [](GridDataBuilder& g) { g.addBlock(0, rawBlock(pattern(8))); }, false, 0x7FFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GridDataBuilder grid;
        c.blocks(grid);
        grid.addBlock(10, rawBlock(pattern(V)));
        grid.addBlock(2, rawBlock(pattern(V)));
        const ReadResult read = readGrid(grid, 5, 1u << c.channel, c.size);
        ASSERT_EQ(read.code, 0);
        LogCapture log;
        EXPECT_EQ(read.frame->getChannelData(c.channel), nullptr);
        EXPECT_EQ(read.frame->getChannelData(c.channel), nullptr);
        EXPECT_EQ(read.frame->hasChannel(c.channel), 1);  // from the flags, not the data
        EXPECT_EQ(log.text(), *c.message ? std::string(c.message) + c.message : "");
        // A good block behind a broken one is still found.
        EXPECT_EQ(channel(*read.frame, 10), c.laterBlocksFound ? pattern(V) : std::vector<float>());
    }
}

TEST(GridChannels, ColourAndSpeedAreDerived) {
    std::vector<uint32_t> colours(V);
    for (int64_t i = 0; i < V; ++i) colours[i] = static_cast<uint32_t>(i * 0x010203u) & 0xFFFFFFu;
    colours[0] = 0x00FF8000u;
    const std::vector<float> vx = pattern(V, 1.0f), vy = pattern(V, -2.0f, 0.5f), vz = pattern(V, 0.5f, 3.0f);
    GridDataBuilder grid;
    grid.addBlock(4, rawBlock(vx));
    grid.addBlock(6, rawBlock(vz));
    // Without the y component there is no speed.
    const ReadResult withoutY = readGrid(grid);
    EXPECT_EQ(withoutY.frame->hasChannel(3), 0);
    EXPECT_EQ(withoutY.frame->getChannelData(3), nullptr);
    grid.addBlock(5, rawBlock(vy));
    grid.addBlock(18, OvrWriter::packedColourPayload(colours.data(), V));
    const ReadResult read = readGrid(grid, 5, 0x80000000u);
    FumaraFrameData& frame = *read.frame;
    EXPECT_EQ(frame.hasChannel(3), 1);
    const std::vector<float> speed = channel(frame, 3);
    ASSERT_EQ(speed.size(), static_cast<size_t>(V));
    for (int64_t i = 0; i < V; ++i) EXPECT_EQ(speed[i], std::sqrt(vx[i] * vx[i] + vy[i] * vy[i] + vz[i] * vz[i])) << i;
    // Red, green and blue unpacked from channel 18, which itself is never a channel of its own.
    EXPECT_EQ(frame.hasChannel(18), 0);
    for (int c = 7; c <= 9; ++c) {
        EXPECT_EQ(frame.hasChannel(c), 1);
        const std::vector<float> values = channel(frame, c);
        ASSERT_EQ(values.size(), static_cast<size_t>(V));
        EXPECT_NEAR(values[0], c == 7 ? 1.0f : c == 8 ? 0.50196f : 0.0f, 1e-5f) << c;
        for (int64_t i = 0; i < V; ++i)
            EXPECT_EQ(values[i], static_cast<float>((colours[i] >> (8 * (9 - c))) & 0xFF) / 255.0f) << c << " " << i;
    }
    // The packed channel never stays expanded, and asking for it leaves 7 to 9 as they are.
    float* red = frame.getChannelData(7);
    EXPECT_EQ(frame.getChannelData(18), nullptr);
    EXPECT_EQ(frame.getChannelData(7), red);
    // Channel numbers outside the table; bit 31 of the flags is no channel, and 36 reads bit 4.
    for (int outside : {-1, 32}) EXPECT_EQ(frame.getChannelData(outside), nullptr) << outside;
    EXPECT_EQ(frame.hasChannel(31), 0);
    EXPECT_EQ(frame.hasChannel(36), 1);
}
