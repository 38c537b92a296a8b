// The entropy coder: the encoder's choice of mode, the code tree's tie rule, round trips, and headers
// that no encoder writes.
#include "CodecTestSupport.h"
#include "compression/EntropyCoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace FMRUtils;
using CodecTest::Bits;
using ::testing::ElementsAreArray;

namespace {

std::vector<uint8_t> EncodeToBytes(const std::vector<int32_t>& values) {
    FmrArray<char, int64_t> out;
    const int64_t n = Encode(values.data(), static_cast<int64_t>(values.size()), out);
    EXPECT_EQ(n, out.count());
    EXPECT_EQ(n % 4, 0);
    return std::vector<uint8_t>(out.data(), out.data() + out.count());
}

std::vector<int32_t> DecodeAll(const std::vector<uint8_t>& stream, size_t count, int32_t offset = 0) {
    EntropyCoder coder;
    std::vector<int32_t> out(count);
    EXPECT_TRUE(InitDecoder(coder, stream.data(), static_cast<int64_t>(stream.size())));
    EXPECT_TRUE(DecodeAndExpand(coder, out.data(), static_cast<int64_t>(count), offset));
    return out;
}

struct Code {
    uint32_t bits;
    int length;
};

// A tree-mode stream: the header, the entries (count 0 means "same count as before"), then the codes.
std::vector<uint8_t> TreeStream(int32_t min, int countWidth, int symWidth,
                                const std::vector<std::pair<uint32_t, uint32_t>>& entries,
                                const std::vector<Code>& codes) {
    Bits bits;
    bits.put(0, 8).put(entries.size(), 32).put(static_cast<uint32_t>(min), 32).put(countWidth, 6).put(symWidth, 6);
    for (const auto& [count, symbol] : entries) {
        if (count != 0) {
            bits.put(1, 1).put(count, countWidth);
        } else {
            bits.put(0, 1);
        }
        bits.put(symbol, symWidth);
    }
    for (const Code& c : codes) bits.put(c.bits, c.length);
    return bits.bytes;
}

}  // namespace

TEST(EntropyEncode, ChoosesTreeModeOnlyWhenItSavesTheTableOverhead) {
    // 100 equal values: one symbol with an empty code, 10 bytes of cost against 12 raw bytes.
    const auto hundred = EncodeToBytes(std::vector<int32_t>(100, 42));
    EXPECT_EQ(hundred[0], 0);
    // 50 equal values: cost 10 exceeds the 6 raw bytes, so raw mode with width 1.
    const auto fifty = EncodeToBytes(std::vector<int32_t>(50, 42));
    EXPECT_EQ(fifty[0], 1);
    // 0, 1, ...: spread 1 gives width 2; 8 values cost 11 > 2 raw bytes, 800 cost 110 <= 200.
    std::vector<int32_t> alternating(800);
    for (size_t i = 0; i < alternating.size(); ++i) alternating[i] = static_cast<int32_t>(i % 2);
    const auto eight = EncodeToBytes(std::vector<int32_t>(alternating.begin(), alternating.begin() + 8));
    EXPECT_EQ(eight[0], 2);
    const auto many = EncodeToBytes(alternating);
    EXPECT_EQ(many[0], 0);
    // Header 84 bits, two entries (1 + 9 + 2 and 1 + 2 bits), 800 one-bit codes, whole words.
    const size_t bits = 84 + 12 + 3 + 800;
    EXPECT_EQ(many.size(), (bits + 31) / 32 * 4);
    EXPECT_THAT(DecodeAll(many, 800), ElementsAreArray(alternating));
}

TEST(EntropyEncode, ASingleSymbolStreamCarriesNoBitsPerValue) {
    const auto stream = EncodeToBytes(std::vector<int32_t>(100, 42));
    EntropyCoder coder;
    ASSERT_TRUE(InitDecoder(coder, stream.data(), static_cast<int64_t>(stream.size())));
    EXPECT_FALSE(coder.rawMode());
    EXPECT_EQ(coder.symbolCount(), 1);
    std::vector<int32_t> out(100000);
    ASSERT_TRUE(DecodeAndExpand(coder, out.data(), static_cast<int64_t>(out.size()), 1));
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int32_t v) { return v == 43; }));
}

TEST(EntropyEncode, AppendsAfterExistingBytesWithoutTouchingThem) {
    FmrArray<char, int64_t> out;
    const char prefix[3] = {'a', 'b', 'c'};
    ASSERT_TRUE(out.SetSize(3));
    std::copy(prefix, prefix + 3, out.data());
    const std::vector<int32_t> values = {3, 1, 4, 1, 5, 9, 2, 6};
    const int64_t n = Encode(values.data(), 8, out);
    ASSERT_EQ(out.count(), 3 + n);
    EXPECT_TRUE(std::equal(prefix, prefix + 3, out.data()));
    EXPECT_THAT(DecodeAll(std::vector<uint8_t>(out.data() + 3, out.data() + out.count()), 8), ElementsAreArray(values));
}

TEST(EntropyEncode, RoundTripsValueDistributions) {
    std::mt19937 rng(7);
    struct Case {
        int32_t lo, hi;
        bool skewed;
    };
    for (const Case& c : {Case{0, 3, false}, Case{0, 3, true}, Case{5, 1000, true}, Case{0, 100000, false},
                          Case{0, 100000, true}, Case{0, 1 << 24, false}, Case{1000, INT32_MAX, false}}) {
        std::vector<int32_t> values(20000);
        std::uniform_int_distribution<int32_t> uniform(c.lo, c.hi);
        std::geometric_distribution<int32_t> geometric(0.2);
        for (int32_t& v : values) v = c.skewed ? std::min(c.hi, c.lo + geometric(rng)) : uniform(rng);
        const auto stream = EncodeToBytes(values);
        EXPECT_THAT(DecodeAll(stream, values.size()), ElementsAreArray(values)) << c.lo << ".." << c.hi;
    }
}

TEST(EntropyEncode, RoundTripsCodesLongerThanTheDecoderTable) {
    // Counts 2^16, 2^15, ..., 1, 1 give codes of 1 to 17 bits.
    std::vector<int32_t> values;
    for (int k = 0; k <= 16; ++k) values.insert(values.end(), size_t(1) << (16 - k), k);
    values.push_back(17);
    std::shuffle(values.begin(), values.end(), std::mt19937(3));
    const auto stream = EncodeToBytes(values);
    ASSERT_EQ(stream[0], 0);
    EXPECT_THAT(DecodeAll(stream, values.size()), ElementsAreArray(values));
}

TEST(EntropyDecode, ExpandsRawStreamsOfEveryWidth) {
    std::mt19937 rng(5);
    for (int width = 1; width <= 32; ++width) {
        // Symbols cover [min, min + 2^width): with min = -2^(width - 1), literals and run markers.
        const int64_t min = width == 1 ? 0 : -(int64_t(1) << (width - 1));
        const int64_t maxLiteral = std::min<int64_t>(min + (int64_t(1) << width) - 1, 1000000);
        Bits bits;
        bits.put(uint32_t(width), 8).put(static_cast<uint32_t>(min), 32);
        std::vector<int32_t> expanded;
        for (int i = 0; i < 2000; ++i) {
            int64_t v = int64_t(rng() % uint64_t(maxLiteral + 1));
            if (width > 1 && i > 0 && rng() % 4 == 0) v = -1 - int64_t(rng() % uint64_t(std::min<int64_t>(12, -min)));
            bits.put(uint64_t(v - min), width);
            if (v >= 0) {
                expanded.push_back(int32_t(v) + 7);
            } else {
                expanded.insert(expanded.end(), size_t(-v), expanded.back());
            }
        }
        EXPECT_THAT(DecodeAll(bits.bytes, expanded.size(), 7), ElementsAreArray(expanded)) << "width " << width;
    }
}

TEST(EntropyEncode, RoundTripsSymbolTablesTooLargeForTheDecoderTables) {
    // Tens of thousands of symbols with codes of 15 to 20 bits: more deeper tables than the decoder
    // keeps, so some codes are finished by walking the tree. Once behind a symbol that takes most of the
    // values, once with mostly long codes (the decoder's two table layouts).
    std::mt19937 rng(9);
    std::normal_distribution<double> normal(0.0, 25000.0);
    std::uniform_real_distribution<double> unit;
    std::vector<int32_t> commonZero(400000), mostlyLong(1200000);
    for (int32_t& v : commonZero) v = unit(rng) < 0.6 ? 0 : 1 + int32_t(std::fabs(normal(rng)));
    for (int32_t& v : mostlyLong)
        v = unit(rng) < 0.45 ? int32_t(std::fabs(normal(rng)) / 500.0) : int32_t(rng() % 131072);
    for (const auto* values : {&commonZero, &mostlyLong}) {
        const auto stream = EncodeToBytes(*values);
        ASSERT_EQ(stream[0], 0);
        EXPECT_THAT(DecodeAll(stream, values->size()), ElementsAreArray(*values));
    }
}

TEST(EntropyDecode, ReadsSingleValuesOfAnySignWithoutRunsOrOffset) {
    const std::vector<int32_t> values = {-5, INT32_MIN, 7, INT32_MAX, -5, -5, -5, -5, -5, 0};
    const auto stream = EncodeToBytes(values);
    EntropyCoder coder;
    ASSERT_TRUE(InitDecoder(coder, stream.data(), static_cast<int64_t>(stream.size())));
    for (int32_t expected : values) {
        int32_t v = 0;
        ASSERT_TRUE(ReadValue(coder, v));
        EXPECT_EQ(v, expected);
    }
}

TEST(EntropyDecode, SplitsTiesTowardsTheLargerLeftPart) {
    // Counts {3, 2, 2, 1}: the split after two entries (left sum 5) ties with the one after the first
    // (3) and wins, so every symbol has a two-bit code: 10 = 00, 11 = 01, 12 = 10, 13 = 11 (root first).
    const auto even = TreeStream(100, 2, 4, {{3, 10}, {2, 11}, {0, 12}, {1, 13}},
                                 {{0b00, 2}, {0b10, 2}, {0b01, 2}, {0b11, 2}, {0b00, 2}});
    EXPECT_THAT(DecodeAll(even, 5), ElementsAreArray({110, 111, 112, 113, 110}));
    // Counts {3, 1, 1, 1}: the first entry alone forms the left part: codes 0, 10, 110, 111.
    const auto skewed =
        TreeStream(0, 2, 4, {{3, 4}, {1, 5}, {0, 6}, {0, 7}}, {{0b0, 1}, {0b01, 2}, {0b011, 3}, {0b111, 3}, {0b0, 1}});
    EXPECT_THAT(DecodeAll(skewed, 5), ElementsAreArray({4, 5, 6, 7, 4}));
}

TEST(EntropyDecode, RejectsHeadersThatNoEncoderWrites) {
    EntropyCoder coder;
    const auto tooWide = Bits().put(33, 8).put(0, 32).bytes;
    EXPECT_FALSE(InitDecoder(coder, tooWide.data(), static_cast<int64_t>(tooWide.size())));
    const auto noSymbols = TreeStream(0, 4, 4, {}, {});
    EXPECT_FALSE(InitDecoder(coder, noSymbols.data(), static_cast<int64_t>(noSymbols.size())));
    // nsym claims two billion symbols: refused before anything is sized from it.
    auto huge = Bits().put(0, 8).put(2000000000u, 32).put(0, 32).put(8, 6).put(31, 6).put(1, 1).bytes;
    EXPECT_FALSE(InitDecoder(coder, huge.data(), static_cast<int64_t>(huge.size())));
    // More symbols than symWidth can tell apart.
    const auto crowded = TreeStream(0, 4, 1, {{5, 0}, {0, 1}, {0, 0}}, {});
    EXPECT_FALSE(InitDecoder(coder, crowded.data(), static_cast<int64_t>(crowded.size())));
    const auto wideCounts = Bits().put(0, 8).put(1, 32).put(0, 32).put(40, 6).put(1, 6).put(1, 1).put(0, 41).bytes;
    EXPECT_FALSE(InitDecoder(coder, wideCounts.data(), static_cast<int64_t>(wideCounts.size())));
    auto cut = TreeStream(0, 4, 4, {{3, 1}, {2, 2}, {1, 3}}, {});
    cut.resize(cut.size() - 1);
    EXPECT_FALSE(InitDecoder(coder, cut.data(), static_cast<int64_t>(cut.size())));
    EXPECT_FALSE(InitDecoder(coder, nullptr, 0));
    int32_t v = 0;
    EXPECT_FALSE(ReadValue(coder, v));
    EXPECT_FALSE(DecodeAndExpand(coder, &v, 1, 0));
}

TEST(EntropyDecode, FailsWhenTheValuesRunPastTheStream) {
    const std::vector<int32_t> values(64, 3);
    std::vector<int32_t> spread = values;
    for (size_t i = 0; i < spread.size(); i += 2) spread[i] = 1000;
    const auto stream = EncodeToBytes(spread);
    EntropyCoder coder;
    ASSERT_TRUE(InitDecoder(coder, stream.data(), static_cast<int64_t>(stream.size())));
    std::vector<int32_t> out(2000);
    EXPECT_FALSE(DecodeAndExpand(coder, out.data(), static_cast<int64_t>(out.size()), 0));
}
