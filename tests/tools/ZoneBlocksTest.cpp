// SGCompressor blocks from the writer: zone streams byte by byte, and whole blocks decoded by the codec.
#include "tests/tools/LittleEndian.h"

#include "compression/EntropyCoder.h"
#include "compression/SGCompressor.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace OvrWriter;
using namespace OvrWriterTest;

namespace {

std::vector<float> decode1D(const Bytes& block, int64_t count) {
    std::vector<float> out(size_t(count) + 4, -999.0f);
    FMRUtils::SGCompressor<1> codec;
    EXPECT_EQ(codec.Decompress(block.data(), int64_t(block.size()), out.data(), count), 1);
    out.resize(size_t(count));
    return out;
}

std::vector<float> decode3D(const Bytes& block, int64_t count) {
    std::vector<float> out(size_t(count) + 4, -999.0f);
    FMRUtils::SGCompressor<3> codec;
    EXPECT_EQ(codec.Decompress(block.data(), int64_t(block.size()), out.data(), count), 1);
    out.resize(size_t(count));
    return out;
}

std::vector<float> wave(int64_t n, float frequency) {
    std::vector<float> v(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) v[size_t(i)] = 3.0f * std::sin(frequency * float(i)) + 1.0f;
    return v;
}

TEST(ZoneStreams, RawAndConstantZonesAreTagModeCountAndValues) {
    const float values[2] = {1.5f, -2.0f};
    const Bytes raw = rawZone(values, 2);
    ASSERT_EQ(raw.size(), 2u + 1 + 4 + 8);
    EXPECT_EQ(u16At(raw, 0), kZoneTag);
    EXPECT_EQ(raw[2], 0);
    EXPECT_EQ(i32At(raw, 3), 2);
    EXPECT_EQ(f32At(raw, 7), 1.5f);
    EXPECT_EQ(f32At(raw, 11), -2.0f);

    const uint32_t nan = 0x7FC00001u;
    const Bytes words = rawZoneWords(&nan, 1);
    EXPECT_EQ(u32At(words, 7), nan);

    const Bytes constant = constantZone(5, 2.5f);
    ASSERT_EQ(constant.size(), 2u + 1 + 4 + 4);
    EXPECT_EQ(constant[2], 1);
    EXPECT_EQ(i32At(constant, 3), 5);
    EXPECT_EQ(f32At(constant, 7), 2.5f);
    const std::vector<float> decoded = decode1D(constant, 5);
    EXPECT_EQ(decoded, std::vector<float>(5, 2.5f));
}

// Fields are packed least significant bit first into whole 32-bit words.
TEST(ZoneStreams, RawEntropyStreamPacksBitsAndDecodes) {
    const uint32_t symbols[4] = {5, 1, 7, 0};
    const Bytes s = rawEntropyStream(3, -2, symbols, 4);
    ASSERT_EQ(s.size(), 8u); // 8 + 32 + 12 bits
    EXPECT_EQ(s[0], 3);
    EXPECT_EQ(i32At(s, 1), -2);
    EXPECT_EQ(s[5], 0xCD); // 5 | 1 << 3 | 7 << 6 = 0x1CD
    EXPECT_EQ(s[6], 0x01);
    EXPECT_EQ(s[7], 0x00);

    FMRUtils::EntropyCoder coder;
    ASSERT_TRUE(FMRUtils::InitDecoder(coder, s.data(), int64_t(s.size())));
    for (int32_t expected : {3, -1, 5, -2}) {
        int32_t v = 0;
        ASSERT_TRUE(FMRUtils::ReadValue(coder, v));
        EXPECT_EQ(v, expected);
    }
}

TEST(ZoneStreams, HandBuiltQuantisedZoneDecodesByTheFormula) {
    const uint32_t symbols[4] = {0, 1, 2, 3};
    QuantisedZoneFields f;
    f.sizes = {4};
    f.scale = 2.0f;
    f.rangeMin = 1.0f;
    f.offset = 3;
    f.entropy = rawEntropyStream(2, 0, symbols, 4);
    const Bytes zone = quantisedZone(f);
    EXPECT_EQ(zone[2], 2);
    EXPECT_EQ(i32At(zone, 3), 4);
    EXPECT_EQ(f32At(zone, 7), 2.0f);
    EXPECT_EQ(f32At(zone, 11), 1.0f);
    EXPECT_EQ(i32At(zone, 15), 3);
    EXPECT_EQ(zone[19], 0);
    EXPECT_EQ(slice(zone, 20, f.entropy.size()), f.entropy);
    // q = symbol + offset = 3..6; value = q * 0.5 + 1.
    EXPECT_EQ(decode1D(zone, 4), (std::vector<float>{2.5f, 3.0f, 3.5f, 4.0f}));
}

TEST(ZoneTables, LayoutHasTagCountFloatOffsetsAndRelativeByteOffsets) {
    const Bytes a = constantZone(3, 1.0f), b = constantZone(2, 2.0f);
    const Bytes block = zoneTableBlock({{0, a}, {3, b}}, kZoneTableTagAlt);
    ASSERT_EQ(block.size(), 4u + 16 + a.size() + b.size());
    EXPECT_EQ(u16At(block, 0), kZoneTableTagAlt);
    EXPECT_EQ(u16At(block, 2), 2);
    EXPECT_EQ(i32At(block, 4), 0);
    EXPECT_EQ(i32At(block, 8), 3);
    EXPECT_EQ(i32At(block, 12), 0);
    EXPECT_EQ(i32At(block, 16), int32_t(a.size()));
    EXPECT_EQ(slice(block, 20 + a.size(), b.size()), b);
    EXPECT_EQ(decode1D(block, 5), (std::vector<float>{1, 1, 1, 2, 2}));

    ZoneTableLayout odd;
    odd.zoneCount = 3;
    odd.floatOffsets = {-1};
    odd.byteOffsets = {};
    odd.streams = {0xAA};
    const Bytes broken = zoneTableBlock(odd);
    EXPECT_EQ(broken, (Bytes{0x02, 0xFC, 3, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA}));
}

TEST(EncodedChannels, OneDimensionalChannelSplitsIntoZonesAndDecodesWithinTheStep) {
    const std::vector<float> values = wave(1000, 0.05f);
    QuantOptions options;
    options.bits = 12;
    const Bytes table = encodeChannel1D(values.data(), 1000, options, 300);
    EXPECT_EQ(u16At(table, 0), kZoneTableTag);
    EXPECT_EQ(u16At(table, 2), 4);
    EXPECT_EQ(i32At(table, 4 + 12), 900);
    const Bytes single = encodeChannel1D(values.data(), 1000, options, 1000);
    EXPECT_EQ(u16At(single, 0), kZoneTag);
    EXPECT_EQ(single, encodedZone1D(values.data(), 1000, options));

    for (const Bytes* block : {&table, &single}) {
        const std::vector<float> decoded = decode1D(*block, 1000);
        for (size_t i = 0; i < values.size(); ++i) ASSERT_NEAR(decoded[i], values[i], 6.0f / 4096) << i;
    }
}

// A box zone: quantised as the decoder expects, delta passes along every axis, decoded bit-exactly
// to the values dequantise predicts.
TEST(EncodedChannels, ThreeDimensionalSlabsDecodeToThePredictedValues) {
    const int32_t X = 6, Y = 5, Z = 7;
    std::vector<float> values(size_t(X * Y * Z));
    for (int32_t k = 0; k < Z; ++k)
        for (int32_t j = 0; j < Y; ++j)
            for (int32_t i = 0; i < X; ++i)
                values[size_t(i + X * (j + Y * k))] = k < 2 ? 0.5f : std::sin(0.7f * i) * std::cos(0.3f * j) + 0.1f * k;
    for (int passes : {0, 1, 2}) {
        SCOPED_TRACE(passes);
        QuantOptions options;
        options.bits = 10;
        options.passes = passes;
        std::vector<float> predicted;
        const Bytes block = encodeChannel3D(values.data(), X, Y, Z, options, 3, &predicted);
        EXPECT_EQ(u16At(block, 0), kZoneTableTag);
        EXPECT_EQ(u16At(block, 2), 3);
        EXPECT_EQ(i32At(block, 8), 3 * X * Y);
        const std::vector<float> decoded = decode3D(block, int64_t(values.size()));
        ASSERT_EQ(predicted.size(), values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            ASSERT_EQ(decoded[i], predicted[i]) << i;
            ASSERT_NEAR(decoded[i], values[i], 3.0f / 1024) << i;
        }
    }
    std::vector<float> predicted;
    const Bytes single = encodeChannel3D(values.data(), X, Y, Z, QuantOptions(), Z, &predicted);
    EXPECT_EQ(u16At(single, 0), kZoneTag);
    EXPECT_EQ(decode3D(single, int64_t(values.size())), predicted);
}

TEST(EncodedChannels, BoxQuantisationMatchesTheDecoderFormula) {
    const float values[4] = {1e-30f, 1.0f, 2.0f, 1e-30f};
    QuantOptions options;
    options.bits = 4;
    const QuantisedBox box = quantiseBox(values, 2, 2, 1, options);
    EXPECT_EQ(box.q, (std::vector<int32_t>{0, 8, 16, 0}));
    // A tiny positive minimum is read as 0.
    const std::vector<float> expected = dequantise(box);
    EXPECT_EQ(expected[0], 0.0f);
    EXPECT_EQ(decode3D(quantisedZone3D(box), 4), expected);

    options.bits = 0;
    options.step = 0.25f;
    const QuantisedBox stepped = quantiseBox(values, 4, 1, 1, options);
    EXPECT_EQ(stepped.scale, 4.0f);
    EXPECT_EQ(stepped.q, (std::vector<int32_t>{0, 4, 8, 0}));
}

} // namespace
