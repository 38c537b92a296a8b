// Damaged blocks: every prefix of a block and random bit flips either fail or decode; the decoder
// never reads outside the block (each test copies it into a buffer of its exact size, so the
// sanitizer build sees any overrun) and never writes past the floats it was given.
#include "CodecTestSupport.h"
#include "compression/SGCompressor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

using namespace FMRUtils;

namespace {

constexpr float kGuard = -12345.0f;
constexpr int kGuardFloats = 16;

template <int N>
std::vector<uint8_t> Encode(const std::vector<float>& values, const int (&size)[N], int zoneLength, int bits,
                            int passes) {
    SGCompressor<N> codec;
    FmrArray<char, int64_t> block;
    ZoneSettings s;
    s.bits = bits;
    s.deltaPasses = passes;
    EXPECT_GT(codec.Compress(values.data(), size, zoneLength, s, block), 0);
    return std::vector<uint8_t>(block.data(), block.data() + block.count());
}

// Decodes `size` bytes of `bytes` from a heap copy of exactly that size into `floatCount` floats
// followed by guard floats, which must survive. Returns the result; `out` gets the floats.
template <int N>
int DecodeCopy(SGCompressor<N>& codec, const uint8_t* bytes, size_t size, int64_t floatCount, std::vector<float>& out) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
    std::copy(bytes, bytes + size, copy.get());
    out.assign(size_t(floatCount) + kGuardFloats, kGuard);
    const int result = codec.Decompress(copy.get(), int64_t(size), out.data(), floatCount);
    for (int i = 0; i < kGuardFloats; ++i) EXPECT_EQ(out[size_t(floatCount) + i], kGuard);
    out.resize(size_t(floatCount));
    return result;
}

std::vector<float> Field(int count) {
    std::vector<float> f(size_t(count), 0.0f);
    for (int i = 0; i < count; ++i) {
        if ((i / 40) % 3 != 0) f[size_t(i)] = std::sin(float(i) * 0.05f) + float(i % 7) * 0.01f;
    }
    return f;
}

struct Sample {
    const char* name;
    std::vector<uint8_t> block;
    int floats;
    bool threeD;
};

std::vector<Sample> Samples() {
    const auto field = Field(600);
    const int seq[1] = {600};
    const int box[3] = {10, 6, 10};
    return {
        {"tree mode, 16 bits, 2 passes", Encode<1>(field, seq, 600, 16, 2), 600, false},
        {"raw entropy, 6 bits", Encode<1>(field, seq, 600, 6, 0), 600, false},
        {"zone table", Encode<1>(field, seq, 150, 12, 1), 600, false},
        {"raw floats", Encode<1>(field, seq, 600, 20, 0), 600, false},
        {"3-D zone table", Encode<3>(field, box, 3, 10, 1), 600, true},
    };
}

template <int N>
void CheckTruncations(const Sample& s) {
    SGCompressor<N> codec;
    std::vector<float> full;
    ASSERT_EQ(DecodeCopy(codec, s.block.data(), s.block.size(), s.floats, full), 1) << s.name;
    std::vector<float> out;
    for (size_t length = 0; length < s.block.size(); ++length) {
        // A prefix decodes only when it lost nothing but the padding of the last entropy word.
        if (DecodeCopy(codec, s.block.data(), length, s.floats, out) == 1) {
            EXPECT_GE(length + 4, s.block.size()) << s.name;
            EXPECT_EQ(out, full) << s.name << " cut to " << length;
        }
    }
}

template <int N>
void CheckBitFlips(const Sample& s, std::mt19937& rng) {
    SGCompressor<N> codec;
    std::vector<float> out;
    std::uniform_int_distribution<size_t> byte(0, s.block.size() - 1);
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<uint8_t> damaged = s.block;
        const int flips = 1 + trial % 4;
        for (int f = 0; f < flips; ++f) damaged[byte(rng)] ^= uint8_t(1u << (rng() % 8));
        DecodeCopy(codec, damaged.data(), damaged.size(), s.floats, out);
    }
}

}  // namespace

TEST(CorruptInput, EveryPrefixOfABlockFailsOrDecodesCompletely) {
    for (const Sample& s : Samples()) {
        if (s.threeD) {
            CheckTruncations<3>(s);
        } else {
            CheckTruncations<1>(s);
        }
    }
}

TEST(CorruptInput, BitFlipsStayWithinTheBlockAndTheDestination) {
    std::mt19937 rng(11);
    for (const Sample& s : Samples()) {
        if (s.threeD) {
            CheckBitFlips<3>(s, rng);
        } else {
            CheckBitFlips<1>(s, rng);
        }
    }
}

TEST(CorruptInput, HeaderSizesBeyondTheDestinationFailWithoutAllocating) {
    // A quantised zone that claims 2^31 - 1 values for a destination of 8 floats.
    CodecTest::Bytes b;
    b.u16(0xFC01).u8(2).i32(INT32_MAX).f32(1.0f).f32(0.0f).i32(0).u8(1).u8(1).i32(0);
    SGCompressor<1> codec;
    std::vector<float> out;
    EXPECT_EQ(DecodeCopy(codec, b.data.data(), b.size(), 8, out), 0);
}

TEST(CorruptInput, DecoderStaysUsableAfterAFailedBlock) {
    const auto samples = Samples();
    SGCompressor<1> codec;
    std::vector<float> first, again;
    ASSERT_EQ(DecodeCopy(codec, samples[0].block.data(), samples[0].block.size(), 600, first), 1);
    std::vector<float> out;
    EXPECT_EQ(DecodeCopy(codec, samples[2].block.data(), 40, 600, out), 0);
    ASSERT_EQ(DecodeCopy(codec, samples[0].block.data(), samples[0].block.size(), 600, again), 1);
    EXPECT_EQ(first, again);
}
