// Frames made by the cache writer, read back through IOvr: every kind of grid block and every
// particle storage gives back the values written, exactly or within the quantisation step.
#include "tests/tools/FrameParts.h"
#include "tests/tools/ProgramRun.h"

#include <cmath>

using namespace OvrWriter;

namespace {

constexpr int32_t X = 6, Y = 5, Z = 7, N = X * Y * Z;
using WriterRoundTrip = ProgramTest;

TEST_F(WriterRoundTrip, GridBlocks) {
    std::vector<float> values(N), greens(N);
    std::vector<uint32_t> colours(N);
    for (int32_t i = 0; i < N; ++i) {
        values[size_t(i)] = 3.0f * std::sin(0.05f * float(i)) + 1.0f;
        colours[size_t(i)] = uint32_t(i) * 0x010305u & 0xFFFFFFu;
        greens[size_t(i)] = float(colours[size_t(i)] >> 8 & 0xFFu) / 255.0f;
    }
    const QuantOptions bits12{12, 0.0f, 1};
    const QuantisedBox box = quantiseBox(values.data(), X, Y, Z, {4, 0.0f, 1});
    const float step = 6.0f / 4096;
    const Bytes first = constantZone(100, 1.0f), second = constantZone(N - 100, -2.0f);
    ZoneTableLayout layout{kZoneTableTag, 2, {0, 100}, {0, int32_t(first.size())}, first};
    layout.streams.insert(layout.streams.end(), second.begin(), second.end());
    std::vector<float> halves(N, -2.0f);
    std::fill(halves.begin(), halves.begin() + 100, 1.0f);

    // The block is written as channel and read back as readChannel.
    struct Case {
        std::string name;
        int32_t version, channel, readChannel;
        Bytes block;
        std::vector<float> expected;
        float tolerance;
    };
    std::vector<Case> cases = {
        {"raw zone", 5, 2, 2, rawZone(values.data(), N), values, 0},
        {"constant zone", 5, 2, 2, constantZone(N, 2.5f), std::vector<float>(N, 2.5f), 0},
        {"1-D zone table", 5, 10, 10, encodeChannel1D(values.data(), N, bits12, 64), values, step},
        {"alternative zone table", 5, 1, 1, zoneTableBlock({{0, first}, {100, second}}, kZoneTableTagAlt), halves, 0},
        {"zone table field by field", 5, 1, 1, zoneTableBlock(layout), halves, 0},
        {"3-D box of 4 bits", 3, 2, 2, quantisedZone3D(box), dequantise(box), 0},
        {"packed colour read as green", 5, 18, 8, packedColourPayload(colours.data(), N), greens, 0},
    };
    for (int passes : {0, 1, 2}) {
        std::vector<float> predicted;
        const Bytes block = encodeChannel3D(values.data(), X, Y, Z, {12, 0.0f, passes}, 3, &predicted);
        cases.push_back({"3-D slabs, passes " + std::to_string(passes), 4, 4, 4, block, predicted, 0});
        for (int32_t i = 0; i < N; ++i) ASSERT_NEAR(predicted[size_t(i)], values[size_t(i)], step);
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto frame = loadFrame(gridFrame(c.version, X, Y, Z, {{c.channel, c.block}}), path("frame.ovr"));
        ASSERT_TRUE(frame);
        const float* data = frame->getChannelData(c.readChannel);
        ASSERT_NE(data, nullptr);
        for (size_t i = 0; i < size_t(N); ++i) ASSERT_NEAR(data[i], c.expected[i], c.tolerance) << i;
    }
}

// 33 particles: the bit planes of method 4 need two words each. The ids step back and forth and by
// more than 32 bits. Positions are exact, or within the step of 16 quantisation bits.
TEST_F(WriterRoundTrip, ParticleStorages) {
    constexpr int32_t count = 33;
    std::vector<float> positions(count * 3);
    for (size_t i = 0; i < positions.size(); ++i) positions[i] = 0.25f * float(i) - 3.0f;
    std::vector<int64_t> ids(count);
    for (int32_t p = 0; p < count; ++p) ids[size_t(p)] = (p % 3 == 0 ? int64_t(1) << 40 : -5) + p * 1000003;

    enum Storage { RawSection, CompressedSection, DataChunk };
    const struct { Storage storage; int32_t method, version, bits; } cases[] = {
        {RawSection, 0, 3, 0}, {CompressedSection, 0, 4, 0}, {CompressedSection, 0, 5, 16},
        {DataChunk, 0, 5, 0},  {DataChunk, 1, 5, 0},         {DataChunk, 2, 5, 0},
        {DataChunk, 2, 5, 16}, {DataChunk, 3, 4, 16},        {DataChunk, 4, 5, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "storage " << c.storage << ", method " << c.method << ", bits " << c.bits);
        ParticleGroup group = particleGroup("sparks", count, {floatChannel(0, positions, c.method, c.bits)});
        CacheWriter file(c.version);
        if (c.storage == DataChunk) {
            group.channels.push_back({10, idWords(ids), c.method, 0, {}, {}, {}});
            file.particleData({group});
        } else {
            group.ids = ids;
            file.particles({group}, c.storage == CompressedSection);
        }
        const auto frame = loadFrame(file, path("frame.ovr"));
        ASSERT_TRUE(frame);
        ASSERT_EQ(frame->getParticleGroupCount(), 1);
        IFumaraPrtGroup* read = frame->findParticleGroup("sparks");
        ASSERT_NE(read, nullptr);
        ASSERT_EQ(read->getCount(), count);
        for (int32_t p = 0; p < count; ++p) {
            float position[3];
            int64_t id = 0;
            ASSERT_EQ(read->getParticleValue(p, 0, position), 1);
            ASSERT_EQ(read->getParticleValue(p, 10, &id), 1);
            for (int a = 0; a < 3; ++a) ASSERT_NEAR(position[a], positions[size_t(3 * p + a)], c.bits ? 1e-3 : 0) << p;
            ASSERT_EQ(id, ids[size_t(p)]);
            ASSERT_EQ(read->findParticleById(id), p);
        }
    }
}

}  // namespace
