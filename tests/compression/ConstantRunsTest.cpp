// Constant-run coding: compaction by the encoder and expansion by the entropy decoder.
#include "CodecTestSupport.h"
#include "compression/ConstantRuns.h"
#include "compression/EntropyCoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

using namespace FMRUtils;
using CodecTest::Bits;
using CodecTest::LogCapture;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

std::vector<int32_t> Compact(std::vector<int32_t> values, int K = 4) {
    const int64_t n = CompactRuns(values.data(), values.data(), static_cast<int64_t>(values.size()), K);
    values.resize(static_cast<size_t>(n));
    return values;
}

// A raw-mode stream of 8-bit symbols with min -128, so that symbol s decodes to s - 128.
std::vector<uint8_t> RawStream(const std::vector<int32_t>& values) {
    Bits bits;
    bits.put(8, 8).put(static_cast<uint32_t>(-128), 32);
    for (int32_t v : values) bits.put(static_cast<uint32_t>(v + 128), 8);
    return bits.bytes;
}

// Coded values as CompactRuns leaves them: literals from `alphabet` (a run never comes first) mixed
// with markers for runs of 1 to 40 copies.
std::vector<int32_t> LiteralsAndRuns(int32_t alphabet, uint32_t seed) {
    std::mt19937 rng(seed);
    std::geometric_distribution<int32_t> literal(alphabet > 64 ? 0.002 : 0.4);
    std::uniform_int_distribution<int32_t> runLength(1, 40);
    std::vector<int32_t> coded = {0};
    for (int i = 0; i < 30000; ++i) {
        coded.push_back(rng() % 8 == 0 && coded.back() >= 0 ? -runLength(rng) : std::min(alphabet, literal(rng)));
    }
    return coded;
}

// The values that `coded` expands to; `cutsInsideRuns` gets, per value count, whether stopping there
// would cut a run (every count from 0 to the total).
std::vector<int32_t> Expand(const std::vector<int32_t>& coded, int32_t offset, std::vector<bool>& cutsInsideRuns) {
    std::vector<int32_t> values;
    cutsInsideRuns.assign(1, false);
    for (int32_t v : coded) {
        if (v >= 0) {
            values.push_back(v + offset);
            cutsInsideRuns.push_back(false);
            continue;
        }
        values.insert(values.end(), static_cast<size_t>(-v), values.back());
        cutsInsideRuns.insert(cutsInsideRuns.end(), static_cast<size_t>(-v - 1), true);
        cutsInsideRuns.push_back(false);
    }
    return values;
}

}  // namespace

TEST(CompactRuns, CollapsesRunsLongerThanTheThreshold) {
    EXPECT_THAT(Compact({5, 5, 5, 5, 5, 2, 2}), ElementsAre(5, -4, 2, 2));
    EXPECT_THAT(Compact({7, 7, 7, 7}), ElementsAre(7, 7, 7, 7));
    EXPECT_THAT(Compact({7, 7, 7, 7, 7}), ElementsAre(7, -4));
    EXPECT_THAT(Compact(std::vector<int32_t>(100, 7)), ElementsAre(7, -99));
    EXPECT_THAT(Compact({0, 0, 0, 0, 0, 0}), ElementsAre(0, -5));
    EXPECT_THAT(Compact({1, 2, 3}), ElementsAre(1, 2, 3));
    EXPECT_THAT(Compact({3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 1}), ElementsAre(3, -5, 4, -4, 1));
    EXPECT_THAT(Compact({1, 1, 1}, 1), ElementsAre(1, -2));
}

TEST(CompactRuns, HandlesEmptyAndSingleInputs) {
    EXPECT_EQ(CompactRuns(nullptr, nullptr, 0, 4), 0);
    EXPECT_EQ(CompactRuns(nullptr, nullptr, -3, 4), 0);
    EXPECT_THAT(Compact({9}), ElementsAre(9));
}

TEST(CompactRuns, WritesToASeparateDestination) {
    const std::vector<int32_t> src = {2, 2, 2, 2, 2, 2, 2, 3};
    std::vector<int32_t> dst(src.size(), 77);
    EXPECT_EQ(CompactRuns(src.data(), dst.data(), 8, 4), 3);
    EXPECT_THAT(std::vector<int32_t>(dst.begin(), dst.begin() + 3), ElementsAre(2, -6, 3));
}

TEST(RunExpansion, RepeatsTheLastValueWithItsOffset) {
    EntropyCoder coder;
    const auto stream = RawStream({9, -3});
    ASSERT_TRUE(InitDecoder(coder, stream.data(), static_cast<int64_t>(stream.size())));
    int32_t out[4] = {};
    ASSERT_TRUE(DecodeAndExpand(coder, out, 4, 10));
    EXPECT_THAT(out, ElementsAre(19, 19, 19, 19));
}

TEST(RunExpansion, ARunLongerThanTheRoomLeftIsCutLoggedAndFails) {
    LogCapture log;
    EntropyCoder coder;
    const auto stream = RawStream({9, -3});
    ASSERT_TRUE(InitDecoder(coder, stream.data(), static_cast<int64_t>(stream.size())));
    int32_t out[4] = {0, 0, 0, -1};
    EXPECT_FALSE(DecodeAndExpand(coder, out, 3, 10));
    EXPECT_THAT(out, ElementsAre(19, 19, 19, -1));
    EXPECT_THAT(log.text(), HasSubstr("DecodeAndExpand - constant sequence longer than expected\n"));
}

TEST(RunExpansion, AMarkerAsTheFirstValueFails) {
    EntropyCoder coder;
    const auto stream = RawStream({-2, 5});
    ASSERT_TRUE(InitDecoder(coder, stream.data(), static_cast<int64_t>(stream.size())));
    int32_t out[3] = {};
    EXPECT_FALSE(DecodeAndExpand(coder, out, 3, 0));
}

TEST(RunExpansion, RoundTripsWithCompaction) {
    std::vector<int32_t> values;
    for (int block = 0; block < 40; ++block) values.insert(values.end(), static_cast<size_t>(block % 7 + 1), block % 3);
    std::vector<int32_t> coded = Compact(values);
    ASSERT_LT(coded.size(), values.size());
    for (int32_t& v : coded) {
        if (v >= 0) v += 100;  // literals are stored without the offset that expansion adds back
    }
    EntropyCoder coder;
    const auto stream = RawStream(coded);
    ASSERT_TRUE(InitDecoder(coder, stream.data(), static_cast<int64_t>(stream.size())));
    std::vector<int32_t> out(values.size());
    ASSERT_TRUE(DecodeAndExpand(coder, out.data(), static_cast<int64_t>(out.size()), -100));
    EXPECT_THAT(out, ElementsAreArray(values));
}

// Tree-mode streams decode several codes per look-up; runs of every length must come out between the
// literals, and a cut anywhere must fail exactly when it falls inside a run, with the values before it
// written. A small alphabet gives short codes, a wide one long codes: the decoder's two table layouts.
TEST(RunExpansion, TreeModeRunsExpandBetweenLiteralsAndAtEveryCut) {
    for (const int32_t alphabet : {6, 3000}) {
        const std::vector<int32_t> coded = LiteralsAndRuns(alphabet, 11);
        std::vector<bool> cutsInsideRuns;
        const std::vector<int32_t> values = Expand(coded, 1000, cutsInsideRuns);
        FmrArray<char, int64_t> stream;
        ASSERT_GT(Encode(coded.data(), static_cast<int64_t>(coded.size()), stream), 0);
        ASSERT_EQ(stream[0], 0) << "tree mode";
        for (size_t cut = values.size() - 60; cut <= values.size(); ++cut) {
            LogCapture log;
            EntropyCoder coder;
            ASSERT_TRUE(InitDecoder(coder, stream.data(), stream.count()));
            std::vector<int32_t> out(cut + 16, -7);
            const bool ok = DecodeAndExpand(coder, out.data(), static_cast<int64_t>(cut), 1000);
            EXPECT_EQ(ok, !cutsInsideRuns[cut]) << "alphabet " << alphabet << ", cut " << cut;
            EXPECT_TRUE(std::equal(values.begin(), values.begin() + static_cast<ptrdiff_t>(cut), out.begin()))
                << "alphabet " << alphabet << ", cut " << cut;
            EXPECT_THAT(std::vector<int32_t>(out.begin() + static_cast<ptrdiff_t>(cut), out.end()),
                        ::testing::Each(-7));
            if (!ok) {
                EXPECT_THAT(log.text(), HasSubstr("constant sequence longer than expected"));
            }
        }
    }
}
