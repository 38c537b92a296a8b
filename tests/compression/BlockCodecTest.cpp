// The float codec's blocks in both variants: hand-built blocks, exact round trips, cut blocks, a pool.
#include "CodecTestSupport.h"
#include "compression/SGCompressor.h"
#include "parallel/WinThreadManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace FMRUtils;
using CodecTest::Bits;
using CodecTest::BitsOf;
using Block = std::vector<uint8_t>;
using Floats = std::vector<float>;

namespace {

constexpr float kFill = -7.0f;  // floats the decoder must not write

// Decodes the first `size` bytes (copied to the heap, for the sanitizers) into `count` floats plus guards.
template <int N>
int Decode(SGCompressor<N>& codec, const Block& block, size_t size, size_t count, Floats& out) {
    const Block copy(block.begin(), block.begin() + ptrdiff_t(size));
    out.assign(count + 8, kFill);
    const int result = codec.Decompress(copy.data(), int64_t(size), out.data(), int64_t(count));
    EXPECT_EQ(Floats(out.begin() + ptrdiff_t(count), out.end()), Floats(8, kFill));
    out.resize(count);
    return result;
}

Block Tag(uint16_t tag) { return Bits().put(tag, 16).bytes; }
Block Cut(Block b, size_t bytes) { return Block(b.begin(), b.end() - ptrdiff_t(bytes)); }
Block Zone(int mode, int32_t count, const Floats& values) {
    Bits b;
    b.append(Tag(0xFC01)).put(mode, 8).put(uint32_t(count), 32);
    for (float v : values) b.f32(v);
    return b.bytes;
}
// A quantised zone: sizes, scale, minimum, offset, passes, then a raw-mode entropy stream.
Block Quantised(const std::vector<int32_t>& sizes, int passes, int width, const std::vector<uint32_t>& symbols,
                float scale = 1, float minimum = 0, int32_t offset = 0, int32_t min = 0) {
    Bits b;
    b.append(Tag(0xFC01)).put(2, 8);
    for (int32_t s : sizes) b.put(uint32_t(s), 32);
    b.f32(scale).f32(minimum).put(uint32_t(offset), 32).put(passes, 8).put(width, 8).put(uint32_t(min), 32);
    for (uint32_t s : symbols) b.put(s, width);
    return b.bytes;
}
// A zone table over the zones at the given float offsets; the byte offsets follow the zones unless given.
Block ZoneTable(const std::vector<Block>& zones, const std::vector<int32_t>& floatOffsets, uint16_t tag = 0xFC02,
                std::vector<int32_t> byteOffsets = {}) {
    Bits b;
    b.append(Tag(tag)).put(zones.size(), 16);
    for (size_t i = 0, at = 0; byteOffsets.size() < zones.size(); at += zones[i++].size()) {
        byteOffsets.push_back(int32_t(at));
    }
    for (int32_t a : floatOffsets) b.put(uint32_t(a), 32);
    for (int32_t o : byteOffsets) b.put(uint32_t(o), 32);
    for (const Block& z : zones) b.append(z);
    return b.bytes;
}

// The decoded float of integer q: float(q) * (1 / scale) + minimum, each operation rounded to a float.
float Dequantise(int32_t q, float minimum, float scale) {
    volatile float r = 1.0f / scale, product = float(q) * r;
    return product + minimum;
}

// A smoke-like field: soft blobs over zero, with fine noise.
Floats SmokeField(size_t count) {
    Floats f(count);
    for (size_t i = 0; i < count; ++i) f[i] = std::max(0.0f, std::sin(i * 0.003f) - 0.2f) + float(i * i % 97) * 1e-4f;
    return f;
}

template <int N>
Block Compress(const Floats& values, const int (&size)[N], int zoneLength, const ZoneSettings& s, int threads = -1) {
    FmrArray<char, int64_t> block;
    EXPECT_GT(SGCompressor<N>(threads).Compress(values.data(), size, zoneLength, s, block), 0);
    return Block(block.data(), block.data() + block.count());
}

// Encodes and decodes zones of `zoneLength` planes: floor((f - minimum) * scale + 0.5) dequantised, unless
// constant (within 1e-20; 0 with an infinity or a NaN), raw or kept. Only a cut of mere padding decodes.
template <int N>
void ExpectRoundTrip(const Floats& values, const int (&size)[N], int zoneLength, const ZoneSettings& s,
                     bool keepsFloats = false, int threads = -1) {
    SCOPED_TRACE("bits " + std::to_string(s.bits) + ", passes " + std::to_string(s.deltaPasses));
    const Block block = Compress<N>(values, size, zoneLength, s, threads);
    SGCompressor<N> codec(threads);
    Floats decoded;
    for (size_t cut = 0; cut < block.size(); ++cut) {
        if (cut > 64 && cut + 8 < block.size() && cut % (block.size() / 50 + 1) != 0) continue;
        EXPECT_TRUE(Decode(codec, block, cut, values.size(), decoded) == 0 || cut + 4 > block.size()) << cut;
    }
    ASSERT_EQ(Decode(codec, block, block.size(), values.size(), decoded), 1);
    const size_t zone = size_t(zoneLength) * (values.size() / size_t(std::max(1, size[N - 1])));
    for (size_t start = 0; start < values.size(); start += zone) {
        const auto first = values.begin() + ptrdiff_t(start);
        const auto last = first + ptrdiff_t(std::min(zone, values.size() - start));
        float lo = *std::min_element(first, last), hi = *std::max_element(first, last);
        if (std::any_of(first, last, [](float v) { return !std::isfinite(v); })) lo = hi = 0.0f;
        const float minimum = s.rangeMin != FLT_MAX ? s.rangeMin : lo;
        volatile float width = (s.rangeMin != FLT_MAX ? s.rangeMax : hi) - minimum;
        const float scale = s.bits > 0 ? float(1 << s.bits) / width : 1.0f / s.step;
        const bool constant = std::fabs(lo - hi) < 1e-20, formula = !constant && s.bits < 20 && !keepsFloats;
        for (auto v = first; v != last; ++v) {
            volatile float scaled = formula ? (*v - minimum) * scale : 0.0f, shifted = scaled + 0.5f;
            const int32_t q = int32_t(std::floor(float(shifted)));
            const float expected = constant ? lo : formula ? Dequantise(q, minimum, scale) : *v;
            ASSERT_EQ(BitsOf(decoded[size_t(v - values.begin())]), BitsOf(expected)) << v - values.begin();
        }
    }
}

}  // namespace

TEST(BlockCodec, DecodesHandBuiltBlocksAndRejectsBrokenOnes) {
    enum Outcome { kDecodes, kFailsUntouched, kFails };
    const Floats raw = {1.5f, -0.0f, 3.25e-30f, 7.0f};
    const auto q = [](int32_t v) { return Dequantise(v, 0.5f, 3.0f); };
    const Block two = Zone(1, 2, {1.0f}), three = Zone(1, 3, {1.0f});
    const float f = kFill;
    // kDecodes: `expected` holds every float afterwards. Rows with `box` go to the 3-D variant.
    struct Case { const char* name; Block block; int floats; Outcome outcome; Floats expected = {}; bool box = false; };
    const Case cases[] = {
        {"constant zone", Zone(1, 5, {2.5f}), 8, kDecodes, {2.5f, 2.5f, 2.5f, 2.5f, 2.5f, f, f, f}},
        {"constant count above the floats", Zone(1, 5, {2.5f}), 4, kFailsUntouched},
        {"negative constant count", Zone(1, -1, {2.5f}), 4, kFailsUntouched},
        {"constant value cut", Cut(two, 1), 4, kFailsUntouched},
        {"raw floats", Zone(0, 4, raw), 4, kDecodes, raw},
        {"raw floats cut", Cut(Zone(0, 4, raw), 1), 4, kFailsUntouched},
        {"unknown tag", Bits().append(Tag(0xFC04)).append(two).bytes, 2, kFailsUntouched},
        {"unknown mode", Zone(3, 1, {1.0f}), 2, kFailsUntouched},
        {"no mode", Tag(0xFC01), 2, kFailsUntouched},
        {"one byte", {0x01}, 2, kFailsUntouched},
        // q = symbol + min + offset = symbol + 12, decoded as float(q) * (1 / 3) + 0.5.
        {"quantised", Quantised({4}, 0, 4, {0, 1, 5, 15}, 3, 0.5f, 10, 2), 4, kDecodes, {q(12), q(13), q(17), q(27)}},
        {"tiny positive minimum reads as 0", Quantised({2}, 0, 2, {1, 2}, 1.0f, 1e-30f), 2, kDecodes, {1.0f, 2.0f}},
        // Pass 2 sums from index 2 ({5, 1, 3, 6}), then pass 1 from index 1.
        {"two delta passes", Quantised({4}, 2, 3, {5, 1, 2, 3}), 4, kDecodes, {5, 6, 9, 15}},
        {"quantised header cut", Cut(Quantised({2}, 0, 2, {}), 6), 2, kFailsUntouched},
        {"entropy header no encoder writes", Quantised({2}, 0, 33, {}), 2, kFailsUntouched},
        {"values past the stream", Quantised({40}, 0, 8, {1, 2}), 40, kFails},
        {"count beyond the floats", Quantised({INT32_MAX}, 1, 1, {0}), 8, kFailsUntouched},
        // One pass along x, y and z: each value is the sum of the coded values at or before it on every axis.
        {"box, one pass", Quantised({2, 2, 2}, 1, 4, {1, 2, 3, 4, 5, 6, 7, 8}), 8, kDecodes,
         {1, 3, 4, 10, 6, 14, 16, 36}, true},
        {"box without values", Quantised({2, 0, 65536}, 1, 1, {}), 2, kDecodes, {f, f}, true},
        {"box above the floats", Quantised({2, 2, 3}, 0, 1, std::vector<uint32_t>(12)), 11, kFailsUntouched, {}, true},
        {"box of 2^48 values", Quantised({65536, 65536, 65536}, 0, 1, {0}), 4, kFailsUntouched, {}, true},
        {"box of negative sizes", Quantised({-2, -2, 2}, 0, 1, {0}), 4, kFailsUntouched, {}, true},
        {"zone table", ZoneTable({three, Zone(0, 2, {7, 8}), Zone(1, 2, {-4})}, {0, 3, 5}, 0xFC03), 7, kDecodes,
         {1, 1, 1, 7, 8, -4, -4}},
        {"zone at the last float", ZoneTable({Zone(1, 1, {5.0f})}, {3}), 4, kDecodes, {f, f, f, 5.0f}},
        {"empty zone table", ZoneTable({}, {}), 2, kDecodes, {f, f}},
        {"table without a zone count", Tag(0xFC02), 2, kFailsUntouched},
        {"negative float offset", ZoneTable({two}, {-1}), 4, kFailsUntouched},
        {"float offset at the float count", ZoneTable({two}, {4}), 4, kFailsUntouched},
        {"byte offset at the end", ZoneTable({two}, {0}, 0xFC02, {int32_t(two.size())}), 4, kFailsUntouched},
        {"negative byte offset", ZoneTable({two}, {0}, 0xFC02, {-1}), 4, kFailsUntouched},
        {"float offsets cut short", Cut(ZoneTable({two}, {0}), two.size() + 6), 4, kFailsUntouched},
        {"byte offsets cut short", Cut(ZoneTable({two, two}, {0, 1}), two.size() * 2 + 4), 4, kFailsUntouched},
        {"a zone beyond its floats", ZoneTable({three, Zone(1, 3, {2.0f})}, {0, 4}), 6, kFails},
        {"float offsets going backwards", ZoneTable({Zone(1, 1, {1.0f}), Zone(1, 1, {2.0f})}, {3, 0}), 6, kFails},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Floats out;
        SGCompressor<1> sequence;
        SGCompressor<3> box;
        const size_t n = size_t(c.floats), size = c.block.size();
        const int result = c.box ? Decode(box, c.block, size, n, out) : Decode(sequence, c.block, size, n, out);
        EXPECT_EQ(result, c.outcome == kDecodes ? 1 : 0);
        if (c.outcome != kFails) { EXPECT_EQ(out, c.outcome == kDecodes ? c.expected : Floats(n, kFill)); }
    }
}

TEST(BlockCodec, SequencesAndBoxesDecodeToTheFormulaExactly) {
    const auto field = SmokeField(20000);
    for (int bits : {1, 8, 12, 16, 19, 20})
        for (int passes : {0, 1, 2, 3})
            for (int zones : {20000, 1500}) ExpectRoundTrip<1>(field, {20000}, zones, ZoneSettings{bits, 0, passes});
    auto part = Floats(field.begin() + 1000, field.begin() + 6000);
    ExpectRoundTrip<1>(part, {5000}, 700, ZoneSettings{0, 0.01f, 1});
    // A range narrower than the data: values outside it quantise below 0 or above 2^bits.
    ExpectRoundTrip<1>(part, {5000}, 5000, ZoneSettings{10, 0, 2, 0.5f, 1.5f});
    // 40 passes: the differences overflow 32 bits and the zone keeps its floats.
    ExpectRoundTrip<1>(part, {5000}, 5000, ZoneSettings{19, 0, 40}, true);
    std::fill(part.begin() + 1000, part.begin() + 2000, 0.75f);
    part[2500] = INFINITY;
    part[3600] = NAN;
    ExpectRoundTrip<1>(part, {5000}, 1000, ZoneSettings{16, 0, 1});
    Floats zeros(50000, 0.0f);  // long zero runs cost almost nothing
    for (size_t i = 20000; i < 20500; ++i) zeros[i] = float(i % 17) * 0.1f;
    ExpectRoundTrip<1>(zeros, {50000}, 50000, ZoneSettings{16, 0, 1});
    EXPECT_LT(Compress<1>(zeros, {50000}, 50000, ZoneSettings{16, 0, 1}).size(), 2000u);
    for (int passes : {0, 1, 2})
        for (int zones : {13, 4}) ExpectRoundTrip<3>(SmokeField(1729), {19, 7, 13}, zones, ZoneSettings{12, 0, passes});
    ExpectRoundTrip<1>(Floats(65535, 1.0f), {65535}, 1, ZoneSettings());  // the most zones a table holds
    ExpectRoundTrip<1>({}, {0}, 5, ZoneSettings());                        // an empty grid: one empty zone
    FmrArray<char, int64_t> block;  // 65536 zones, a negative size and a zone length of 0 are refused
    SGCompressor<1> codec;
    EXPECT_EQ(codec.Compress(zeros.data(), {65536}, 1, {}, block) + codec.Compress(zeros.data(), {-1}, 10, {}, block) +
                  codec.Compress(zeros.data(), {100}, 0, {}, block) + block.count(), 0);
}

// Zone tables on a pool give the bytes and floats of the calling thread, and fail when cut.
TEST(BlockCodec, ZoneTablesOnAPoolCodeAsOnTheCallingThread) {
    ZUtils::WinThreadManager pool(false, nullptr);
    ASSERT_TRUE(pushThreadManager(&pool));
    const auto field = SmokeField(60000);
    const ZoneSettings s{12, 0, 2};
    EXPECT_EQ(Compress<1>(field, {60000}, 2000, s, 4), Compress<1>(field, {60000}, 2000, s, 1));
    ExpectRoundTrip<1>(field, {60000}, 2000, s, false, 4);
    popThreadManager();
}
