// Encoder and decoder together: every decoded float equals float(q) * (1 / scale) + minimum for the
// q that the quantisation rule gives, bit for bit.
#include "CodecTestSupport.h"
#include "compression/SGCompressor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace FMRUtils;
using CodecTest::BitsOf;

namespace {

// A smoke-like field: a few soft blobs over zero, with fine noise.
std::vector<float> SmokeField(int64_t count, unsigned seed) {
    std::vector<float> f(static_cast<size_t>(count), 0.0f);
    uint32_t state = seed * 2654435761u + 1;
    for (int64_t i = 0; i < count; ++i) {
        const float x = float(i) / float(count);
        const float blob = std::sin(x * 31.0f) * std::sin(x * 7.0f + 1.0f);
        state = state * 1664525u + 1013904223u;
        if (blob > 0.2f) f[size_t(i)] = blob * 3.0f + float(state >> 24) * 1e-4f;
    }
    return f;
}

// What the decoder must return for the floats of one zone encoded with `s`.
std::vector<float> Expected(const float* v, int64_t count, const ZoneSettings& s) {
    float lo = v[0], hi = v[0];
    for (int64_t i = 0; i < count; ++i) {
        if (std::isinf(v[i]) || std::isnan(v[i])) {
            lo = hi = 0.0f;
            break;
        }
        lo = std::min(lo, v[i]);
        hi = std::max(hi, v[i]);
    }
    std::vector<float> out(v, v + count);
    if (std::fabs(lo - hi) < 1e-20) {
        std::fill(out.begin(), out.end(), lo);
        return out;
    }
    if (s.bits >= 20) return out;
    const bool ranged =
        s.rangeMin != std::numeric_limits<float>::max() && s.rangeMax != -std::numeric_limits<float>::max();
    const float minimum = ranged ? s.rangeMin : lo, maximum = ranged ? s.rangeMax : hi;
    volatile float width = maximum - minimum;
    const float scale = s.bits > 0 ? float(1 << s.bits) / width : 1.0f / s.step;
    for (int64_t i = 0; i < count; ++i) {
        out[size_t(i)] = CodecTest::Dequantise(CodecTest::Quantise(v[i], minimum, scale), minimum, scale);
    }
    return out;
}

template <int N>
void ExpectRoundTrip(const std::vector<float>& values, const int (&size)[N], int zoneLength, const ZoneSettings& s) {
    SGCompressor<N> codec;
    FmrArray<char, int64_t> block;
    ASSERT_GT(codec.Compress(values.data(), size, zoneLength, s, block), 0);
    std::vector<float> decoded(values.size() + 4, -7.0f);
    ASSERT_EQ(codec.Decompress(block.data(), block.count(), decoded.data(), int64_t(values.size())), 1);
    int64_t plane = 1;
    for (int d = 0; d < N - 1; ++d) plane *= size[d];
    for (int64_t start = 0; start < int64_t(values.size()); start += zoneLength * plane) {
        const int64_t n = std::min<int64_t>(zoneLength * plane, int64_t(values.size()) - start);
        const auto expected = Expected(values.data() + start, n, s);
        for (int64_t i = 0; i < n; ++i) {
            ASSERT_EQ(BitsOf(decoded[size_t(start + i)]), BitsOf(expected[size_t(i)]))
                << "bits " << s.bits << " passes " << s.deltaPasses << " at " << start + i;
        }
    }
    for (size_t i = values.size(); i < decoded.size(); ++i) EXPECT_EQ(decoded[i], -7.0f);
}

}  // namespace

TEST(RoundTrip, QuantisedSequencesDecodeToTheFormulaExactly) {
    const auto field = SmokeField(20000, 1);
    const int size[1] = {20000};
    for (int bits : {1, 8, 12, 16, 19}) {
        for (int passes : {0, 1, 2, 3}) {
            ZoneSettings s;
            s.bits = bits;
            s.deltaPasses = passes;
            ExpectRoundTrip<1>(field, size, 20000, s);
            ExpectRoundTrip<1>(field, size, 1500, s);
        }
    }
}

TEST(RoundTrip, StepQuantisationAndCallerRanges) {
    const auto field = SmokeField(5000, 2);
    const int size[1] = {5000};
    ZoneSettings step;
    step.bits = 0;
    step.step = 0.01f;
    ExpectRoundTrip<1>(field, size, 700, step);
    // A range narrower than the data: values outside it quantise below 0 or above 2^bits.
    ZoneSettings ranged;
    ranged.bits = 10;
    ranged.deltaPasses = 2;
    ranged.rangeMin = 0.5f;
    ranged.rangeMax = 1.5f;
    ExpectRoundTrip<1>(field, size, 5000, ranged);
}

TEST(RoundTrip, RawConstantAndNonFiniteZones) {
    auto field = SmokeField(4000, 3);
    field[2500] = std::numeric_limits<float>::infinity();
    field[3600] = std::nanf("");
    std::fill(field.begin() + 1000, field.begin() + 2000, 0.75f);
    const int size[1] = {4000};
    ZoneSettings quantised;
    ExpectRoundTrip<1>(field, size, 1000, quantised);
    ZoneSettings raw;
    raw.bits = 20;
    field[2500] = 1.0f;
    field[3600] = 2.0f;
    ExpectRoundTrip<1>(field, size, 1000, raw);
}

TEST(RoundTrip, ManyDeltaPassesStillRoundTrip) {
    const auto field = SmokeField(3000, 4);
    const int size[1] = {3000};
    ZoneSettings s;
    s.bits = 19;
    s.deltaPasses = 40;  // the differences overflow 32 bits: the zone keeps its floats
    SGCompressor<1> codec;
    FmrArray<char, int64_t> block;
    ASSERT_GT(codec.Compress(field.data(), size, 3000, s, block), 0);
    std::vector<float> decoded(3000);
    ASSERT_EQ(codec.Decompress(block.data(), block.count(), decoded.data(), 3000), 1);
    EXPECT_EQ(decoded, field);
}

TEST(RoundTrip, LongZeroRunsCompressWell) {
    std::vector<float> field(50000, 0.0f);
    for (size_t i = 20000; i < 20500; ++i) field[i] = float(i % 17) * 0.1f;
    const int size[1] = {50000};
    ZoneSettings s;
    s.bits = 16;
    SGCompressor<1> codec;
    FmrArray<char, int64_t> block;
    ASSERT_GT(codec.Compress(field.data(), size, 50000, s, block), 0);
    EXPECT_LT(block.count(), 2000);
    ExpectRoundTrip<1>(field, size, 50000, s);
}

TEST(RoundTrip, BoxesDecodeWithTheThreeDimensionalVariant) {
    const int size[3] = {20, 17, 13};
    std::vector<float> field(20 * 17 * 13);
    for (int z = 0; z < 13; ++z)
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 20; ++x)
                field[size_t(x + 20 * (y + 17 * z))] = std::sin(0.3f * x) * std::cos(0.2f * y) + 0.1f * z;
    for (int passes : {0, 1, 2}) {
        ZoneSettings s;
        s.bits = 12;
        s.deltaPasses = passes;
        ExpectRoundTrip<3>(field, size, 13, s);
        ExpectRoundTrip<3>(field, size, 4, s);
    }
}

TEST(RoundTrip, BlockLimits) {
    SGCompressor<1> codec;
    FmrArray<char, int64_t> block;
    const std::vector<float> values(65536, 1.0f);
    const int size[1] = {65536};
    EXPECT_EQ(codec.Compress(values.data(), size, 1, ZoneSettings(), block), 0);  // 65536 zones
    const int negative[1] = {-1};
    EXPECT_EQ(codec.Compress(values.data(), negative, 10, ZoneSettings(), block), 0);
    EXPECT_EQ(codec.Compress(values.data(), size, 0, ZoneSettings(), block), 0);
    EXPECT_EQ(block.count(), 0);
    // 65535 zones is the most a table holds.
    const int most[1] = {65535};
    ASSERT_GT(codec.Compress(values.data(), most, 1, ZoneSettings(), block), 0);
    std::vector<float> out(65535, 0.0f);
    EXPECT_EQ(codec.Decompress(block.data(), block.count(), out.data(), 65535), 1);
    EXPECT_EQ(out, std::vector<float>(65535, 1.0f));
    // An empty grid is one empty zone.
    const int empty[1] = {0};
    FmrArray<char, int64_t> none;
    ASSERT_GT(codec.Compress(values.data(), empty, 5, ZoneSettings(), none), 0);
    EXPECT_EQ(codec.Decompress(none.data(), none.count(), out.data(), 0), 1);
}
