// Hand-built blocks: block tags, zone tables and their limits, zone modes, and the 3-D variant.
#include "CodecTestSupport.h"
#include "compression/EntropyCoder.h"
#include "compression/SGCompressor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace FMRUtils;
using CodecTest::Bits;
using CodecTest::Bytes;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

std::vector<uint8_t> ConstantZone(int32_t count, float value) {
    return Bytes().u16(0xFC01).u8(1).i32(count).f32(value).data;
}

std::vector<uint8_t> RawFloatZone(const std::vector<float>& values) {
    Bytes b;
    b.u16(0xFC01).u8(0).i32(static_cast<int32_t>(values.size()));
    for (float v : values) b.f32(v);
    return b.data;
}

// A raw-mode entropy stream of `width`-bit symbols with the given min.
std::vector<uint8_t> RawEntropy(int width, int32_t min, const std::vector<uint32_t>& symbols) {
    Bits bits;
    bits.put(width, 8).put(static_cast<uint32_t>(min), 32);
    for (uint32_t s : symbols) bits.put(s, width);
    return bits.bytes;
}

// A zone table over the given zone streams at the given float offsets.
std::vector<uint8_t> ZoneTable(const std::vector<std::vector<uint8_t>>& zones, const std::vector<int32_t>& floatOffsets,
                               uint16_t tag = 0xFC02) {
    Bytes b;
    b.u16(tag).u16(static_cast<uint16_t>(zones.size()));
    for (int32_t a : floatOffsets) b.i32(a);
    int32_t offset = 0;
    for (const auto& z : zones) {
        b.i32(offset);
        offset += static_cast<int32_t>(z.size());
    }
    for (const auto& z : zones) b.append(z);
    return b.data;
}

template <int N>
int Decode(const std::vector<uint8_t>& block, std::vector<float>& out) {
    SGCompressor<N> codec;
    return codec.Decompress(block.data(), static_cast<int64_t>(block.size()), out.data(),
                            static_cast<int64_t>(out.size()));
}

}  // namespace

TEST(BlockFormat, SingleConstantZoneFillsItsCount) {
    std::vector<float> out(8, -1.0f);
    EXPECT_EQ(Decode<1>(ConstantZone(5, 2.5f), out), 1);
    EXPECT_THAT(out, ElementsAre(2.5f, 2.5f, 2.5f, 2.5f, 2.5f, -1.0f, -1.0f, -1.0f));
    std::vector<float> small(4, -1.0f);
    EXPECT_EQ(Decode<1>(ConstantZone(5, 2.5f), small), 0);
    EXPECT_THAT(small, Each(-1.0f));
    EXPECT_EQ(Decode<1>(ConstantZone(-1, 2.5f), small), 0);
}

TEST(BlockFormat, RawFloatZonesCopyTheirFloatsInBothVariants) {
    const std::vector<float> values = {1.5f, -0.0f, 3.25e-30f, 7.0f};
    std::vector<float> out(4);
    EXPECT_EQ(Decode<1>(RawFloatZone(values), out), 1);
    EXPECT_THAT(out, ElementsAreArray(values));
    std::vector<float> out3(4);
    EXPECT_EQ(Decode<3>(RawFloatZone(values), out3), 1);
    EXPECT_THAT(out3, ElementsAreArray(values));
    auto cut = RawFloatZone(values);
    cut.pop_back();
    EXPECT_EQ(Decode<1>(cut, out), 0);
}

TEST(BlockFormat, UnknownTagsAndModesFail) {
    std::vector<float> out(4);
    EXPECT_EQ(Decode<1>(Bytes().u16(0xFC04).u8(1).i32(1).f32(1).data, out), 0);
    EXPECT_EQ(Decode<1>(Bytes().u16(0xFC01).u8(3).i32(1).f32(1).data, out), 0);
    EXPECT_EQ(Decode<1>(Bytes().u8(0x01).data, out), 0);
    EXPECT_EQ(Decode<1>({}, out), 0);
}

TEST(BlockFormat, QuantisedZoneScalesWithTheReciprocal) {
    // Values q = symbol + min + m, float(q) * (1 / 3) + 0.5.
    const auto stream = RawEntropy(4, 2, {0, 1, 5, 15});
    const auto block = Bytes().u16(0xFC01).u8(2).i32(4).f32(3.0f).f32(0.5f).i32(10).u8(0).append(stream).data;
    std::vector<float> out(4);
    ASSERT_EQ(Decode<1>(block, out), 1);
    for (int i = 0; i < 4; ++i) {
        const int32_t q = int32_t(std::vector<uint32_t>{0, 1, 5, 15}[i]) + 12;
        EXPECT_EQ(CodecTest::BitsOf(out[i]), CodecTest::BitsOf(CodecTest::Dequantise(q, 0.5f, 3.0f)));
    }
}

TEST(BlockFormat, TinyPositiveRangeMinimumReadsAsZero) {
    const auto block =
        Bytes().u16(0xFC01).u8(2).i32(2).f32(1.0f).f32(1e-30f).i32(0).u8(0).append(RawEntropy(2, 0, {1, 2})).data;
    std::vector<float> out(2);
    ASSERT_EQ(Decode<1>(block, out), 1);
    EXPECT_THAT(out, ElementsAre(1.0f, 2.0f));
}

TEST(BlockFormat, OneDimensionalDeltaPassesAreUndoneLastPassFirst) {
    // Two passes over d = {5, 1, 2, 3}: pass 2 sums from index 2, then pass 1 from index 1.
    const auto block =
        Bytes().u16(0xFC01).u8(2).i32(4).f32(1.0f).f32(0.0f).i32(0).u8(2).append(RawEntropy(3, 0, {5, 1, 2, 3})).data;
    std::vector<float> out(4);
    ASSERT_EQ(Decode<1>(block, out), 1);
    // After pass 2: {5, 1, 3, 6}; after pass 1: {5, 6, 9, 15}.
    EXPECT_THAT(out, ElementsAre(5.0f, 6.0f, 9.0f, 15.0f));
}

TEST(BlockFormat, ThreeDimensionalZoneUndoesDeltasAlongEachAxis) {
    // With one pass along x, y and z, the box holds the inclusive prefix sums of the coded values.
    const std::vector<uint32_t> d = {1, 2, 3, 4, 5, 6, 7, 8};
    const auto block = Bytes()
                           .u16(0xFC01)
                           .u8(2)
                           .i32(2)
                           .i32(2)
                           .i32(2)
                           .f32(1.0f)
                           .f32(0.0f)
                           .i32(0)
                           .u8(1)
                           .append(RawEntropy(4, 0, d))
                           .data;
    std::vector<float> out(8);
    ASSERT_EQ(Decode<3>(block, out), 1);
    std::vector<float> expected(8);
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) {
                float sum = 0;
                for (int k = 0; k <= z; ++k)
                    for (int j = 0; j <= y; ++j)
                        for (int i = 0; i <= x; ++i) sum += float(d[i + 2 * j + 4 * k]);
                expected[x + 2 * y + 4 * z] = sum;
            }
    EXPECT_THAT(out, ElementsAreArray(expected));
}

TEST(BlockFormat, ThreeDimensionalBoxLargerThanTheDestinationFails) {
    const auto block = Bytes()
                           .u16(0xFC01)
                           .u8(2)
                           .i32(2)
                           .i32(2)
                           .i32(3)
                           .f32(1.0f)
                           .f32(0.0f)
                           .i32(0)
                           .u8(0)
                           .append(RawEntropy(1, 0, std::vector<uint32_t>(12, 0)))
                           .data;
    std::vector<float> out(11);
    EXPECT_EQ(Decode<3>(block, out), 0);
    const auto overflowing = Bytes()
                                 .u16(0xFC01)
                                 .u8(2)
                                 .i32(65536)
                                 .i32(65536)
                                 .i32(65536)
                                 .f32(1.0f)
                                 .f32(0.0f)
                                 .i32(0)
                                 .u8(0)
                                 .append(RawEntropy(1, 0, {0}))
                                 .data;
    EXPECT_EQ(Decode<3>(overflowing, out), 0);
    const auto negative = Bytes()
                              .u16(0xFC01)
                              .u8(2)
                              .i32(-2)
                              .i32(-2)
                              .i32(2)
                              .f32(1.0f)
                              .f32(0.0f)
                              .i32(0)
                              .u8(0)
                              .append(RawEntropy(1, 0, {0}))
                              .data;
    EXPECT_EQ(Decode<3>(negative, out), 0);
}

TEST(ZoneTable, DecodesEachZoneIntoItsRange) {
    const auto block =
        ZoneTable({ConstantZone(3, 1.0f), RawFloatZone({7.0f, 8.0f}), ConstantZone(2, -4.0f)}, {0, 3, 5}, 0xFC03);
    std::vector<float> out(7, 0.0f);
    EXPECT_EQ(Decode<1>(block, out), 1);
    EXPECT_THAT(out, ElementsAre(1.0f, 1.0f, 1.0f, 7.0f, 8.0f, -4.0f, -4.0f));
}

TEST(ZoneTable, EmptyTableSucceedsWithoutWriting) {
    std::vector<float> out(3, 9.0f);
    EXPECT_EQ(Decode<1>(Bytes().u16(0xFC02).u16(0).data, out), 1);
    EXPECT_THAT(out, Each(9.0f));
}

TEST(ZoneTable, OffsetsOutsideTheirLimitsInvalidateTheTable) {
    std::vector<float> out(4, 9.0f);
    const auto zone = ConstantZone(2, 1.0f);
    // A negative float offset, a float offset at floatCount, a byte offset equal to the stream bytes.
    EXPECT_EQ(Decode<1>(Bytes().u16(0xFC02).u16(1).i32(-1).i32(0).append(zone).data, out), 0);
    EXPECT_EQ(Decode<1>(Bytes().u16(0xFC02).u16(1).i32(4).i32(0).append(zone).data, out), 0);
    EXPECT_EQ(Decode<1>(Bytes().u16(0xFC02).u16(1).i32(0).i32(int32_t(zone.size())).append(zone).data, out), 0);
    EXPECT_EQ(Decode<1>(Bytes().u16(0xFC02).u16(1).i32(0).i32(-1).append(zone).data, out), 0);
    // The tables themselves cut short.
    EXPECT_EQ(Decode<1>(Bytes().u16(0xFC02).u16(2).i32(0).i32(1).i32(0).data, out), 0);
    EXPECT_THAT(out, Each(9.0f));
}

TEST(ZoneTable, AFailedZoneFailsTheBlock) {
    std::vector<float> out(6, 0.0f);
    // The second zone's count does not fit the two floats before the block's end.
    EXPECT_EQ(Decode<1>(ZoneTable({ConstantZone(3, 1.0f), ConstantZone(3, 2.0f)}, {0, 4}), out), 0);
    // A zone with an unknown mode.
    EXPECT_EQ(Decode<1>(ZoneTable({ConstantZone(3, 1.0f), Bytes().u16(0xFC01).u8(9).data}, {0, 3}), out), 0);
    // Float offsets that go backwards give the first zone no room.
    EXPECT_EQ(Decode<1>(ZoneTable({ConstantZone(1, 1.0f), ConstantZone(1, 2.0f)}, {3, 0}), out), 0);
}
