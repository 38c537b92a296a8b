// The stream layers under the block codec: the entropy coder (choice of mode, both table layouts, runs
// cut anywhere, run compaction, the tie rule, broken headers) and zlib inflation.
#include "CodecTestSupport.h"
#include "compression/ConstantRuns.h"
#include "compression/EntropyCoder.h"
#include "compression/InflateBlock.h"
#include "utils/Log.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <random>

using namespace FMRUtils;
using CodecTest::Bits;
using Values = std::vector<int32_t>;
using Stream = std::vector<uint8_t>;
using Literal = std::function<int64_t(std::mt19937&)>;

namespace {

// The loader's log while `action` runs: echoed to standard output and captured there.
template <class Action>
std::string LogOf(Action&& action) {
    const ZUtils::LogSettings saved = ZUtils::logSettings();
    ZUtils::setLogSettings(ZUtils::LogSettings{"", false, true});
    testing::internal::CaptureStdout();
    action();
    const std::string text = testing::internal::GetCapturedStdout();
    ZUtils::setLogSettings(saved);
    return text;
}

Stream Encoded(const Values& values) {
    FmrArray<char, int64_t> out;
    EXPECT_EQ(Encode(values.data(), int64_t(values.size()), out) % 4, 0);
    return Stream(out.data(), out.data() + out.count());
}

// Decodes `count` values plus `offset`, which must not write past them; `lastLog` gets what was logged.
std::string lastLog;
bool Expand(const Stream& stream, size_t count, int32_t offset, Values& out) {
    EntropyCoder coder;
    EXPECT_TRUE(InitDecoder(coder, stream.data(), int64_t(stream.size())));
    out.assign(count + 1, -1);
    bool ok = false;
    lastLog = LogOf([&] { ok = DecodeAndExpand(coder, out.data(), int64_t(count), offset); });
    EXPECT_EQ(out.back(), -1);
    out.pop_back();
    return ok;
}

// The values that coded values expand to; inRun[c] tells whether a cut after c values falls in a run.
Values Expanded(const Values& coded, int32_t offset, std::vector<bool>& inRun) {
    Values values;
    inRun.assign(1, false);
    for (int32_t v : coded) {
        const size_t copies = v >= 0 ? 1 : size_t(-int64_t(v));
        values.insert(values.end(), copies, v >= 0 ? int32_t(uint32_t(v) + uint32_t(offset)) : values.back());
        inRun.insert(inRun.end(), copies, true);
        inRun.back() = false;
    }
    return values;
}

// n coded values from `next`, with (runs) a marker for 1 to 40 copies after about every eighth literal.
Values Coded(size_t n, uint32_t seed, const Literal& next, bool runs = false) {
    std::mt19937 rng(seed);
    Values v(1, int32_t(next(rng)));
    while (v.size() < n) v.push_back(runs && v.back() >= 0 && rng() % 8 == 0 ? ~int32_t(rng() % 40) : next(rng));
    return v;
}
// Literals 0..hi: uniform, or (p > 0) geometric with parameter p.
Literal Spread(int32_t hi, double p = 0) {
    return [=](std::mt19937& r) -> int64_t {
        if (p > 0) return std::min(hi, std::geometric_distribution<int32_t>(p)(r));
        return std::uniform_int_distribution<int32_t>(0, hi)(r);
    };
}

// A tree-mode stream: the header, the entries (count 0: the count of the entry before), then the codes.
Stream TreeStream(int32_t min, int countWidth, int symWidth, const std::vector<std::pair<uint32_t, uint32_t>>& entries,
                  const std::vector<std::pair<uint32_t, int>>& codes) {
    Bits bits;
    bits.put(0, 8).put(entries.size(), 32).put(uint32_t(min), 32).put(countWidth, 6).put(symWidth, 6);
    for (const auto& [count, symbol] : entries) {
        bits.put(count != 0, 1).put(count, count ? countWidth : 0).put(symbol, symWidth);
    }
    for (const auto& [code, length] : codes) bits.put(code, length);
    return bits.bytes;
}

}  // namespace

// Every set decodes exactly; a cut fails, logged, exactly inside a run; a run marker first fails.
TEST(EntropyCoder, RoundTripsInTheSmallerModeAndFailsOnlyInsideRuns) {
    std::normal_distribution<double> normal(0.0, 25000.0);
    std::uniform_real_distribution<double> unit;
    const Literal commonZero = [&](std::mt19937& r) { return unit(r) < 0.6 ? 0 : 1 + int64_t(std::fabs(normal(r))); };
    const Literal mostlyLong = [&](std::mt19937& r) {
        return unit(r) < 0.45 ? int64_t(std::fabs(normal(r)) / 500.0) : int64_t(r() % 131072);
    };
    const Values alternating = Coded(800, 0, [n = 0](std::mt19937&) mutable { return n++ % 2; });
    // Counts 2^16, 2^15, ..., 1, 1 give codes of 1 to 17 bits, longer than the first table.
    Values longCodes(1, 17);
    for (int k = 0; k <= 16; ++k) longCodes.insert(longCodes.end(), size_t(1) << (16 - k), k);
    std::shuffle(longCodes.begin(), longCodes.end(), std::mt19937(3));
    // width: the stream's first byte, 0 for tree mode, else the raw width; bytes: its size, when checked.
    const struct { const char* name; Values coded; int width; size_t bytes = 0; } cases[] = {
        // One symbol with an empty code: 10 bytes of cost against 12 raw bytes, then against 6.
        {"100 equal values", Values(100, 0), 0},
        {"50 equal values", Values(50, 42), 1},
        {"8 alternating values", Values(alternating.begin(), alternating.begin() + 8), 2},
        // Header 84 bits, two entries (1 + 9 + 2 and 1 + 2 bits), 800 one-bit codes, whole words.
        {"800 alternating values", alternating, 0, (84 + 12 + 3 + 800 + 31) / 32 * 4},
        {"runs between short codes", Coded(30000, 11, Spread(6, 0.4), true), 0},
        {"runs between long codes", Coded(30000, 11, Spread(3000, 0.002), true), 0},
        {"raw, 17 bits", Coded(20000, 4, Spread(100000), true), 17},
        {"raw, 31 bits", Coded(20000, 7, Spread(INT32_MAX - 100), true), 31},
        {"codes of 1 to 17 bits", longCodes, 0},
        // More deeper tables than the decoder keeps, so that some codes end in a walk of the tree.
        {"deep tree behind a common symbol", Coded(400000, 9, commonZero), 0},
        {"deep tree of mostly long codes", Coded(1200000, 10, mostlyLong), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Stream stream = Encoded(c.coded);
        EXPECT_EQ(stream[0], c.width);
        if (c.bytes) { EXPECT_EQ(stream.size(), c.bytes); }
        std::vector<bool> inRun;
        const Values expected = Expanded(c.coded, 3, inRun);
        const size_t total = expected.size();
        Values out;
        ASSERT_TRUE(Expand(stream, expected.size(), 3, out));
        EXPECT_EQ(out, expected);
        for (size_t cut = total - std::min<size_t>(total, 60); cut < total; cut += 1 + cut / 50000) {
            const bool ok = Expand(stream, cut, 3, out);
            EXPECT_EQ(ok, !inRun[cut]) << "cut " << cut;
            EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin())) << "cut " << cut;
            EXPECT_EQ(lastLog, ok ? "" : "DecodeAndExpand - constant sequence longer than expected\n") << "cut " << cut;
        }
        Values markerFirst = c.coded;
        markerFirst[0] = -3;
        EXPECT_FALSE(Expand(Encoded(markerFirst), expected.size(), 3, out));
    }
}

TEST(EntropyCoder, CompactsRunsOfMoreThanFourEqualValues) {
    Values v = {5, 5, 5, 5, 5, 2, 2, 2, 2, 7, 7, 7, 7, 7, 7};
    v.resize(size_t(CompactRuns(v.data(), v.data(), int64_t(v.size()), 4)));
    EXPECT_EQ(v, Values({5, -4, 2, 2, 2, 2, 7, -5}));
}

// The code tree's tie rule, and headers that no encoder writes, after which nothing can be read.
TEST(EntropyCoder, DecodesHandBuiltStreamsAndRejectsBrokenHeaders) {
    Stream cut = TreeStream(0, 4, 4, {{3, 1}, {2, 2}, {1, 3}}, {});
    cut.pop_back();
    const struct { const char* name; Stream stream; Values decoded; } cases[] = {
        // Counts {3, 2, 2, 1}: the split after two entries (left sum 5) ties with the one after the first
        // (3) and wins, so every symbol has a two-bit code: 10 = 00, 11 = 01, 12 = 10, 13 = 11 (root first).
        {"tie", TreeStream(100, 2, 4, {{3, 10}, {2, 11}, {0, 12}, {1, 13}}, {{0, 2}, {2, 2}, {1, 2}, {3, 2}, {0, 2}}),
         {110, 111, 112, 113, 110}},
        {"raw width 33", Bits().put(33, 8).put(0, 32).bytes, {}},
        {"raw header cut", Bits().put(8, 8).put(0, 24).bytes, {}},
        {"no symbols", TreeStream(0, 4, 4, {}, {}), {}},
        {"two billion symbols", Bits().put(0, 8).put(2000000000, 32).put(0, 38).put(31, 6).put(1, 1).bytes, {}},
        {"more symbols than symWidth tells apart", TreeStream(0, 4, 1, {{5, 0}, {0, 1}, {0, 0}}, {}), {}},
        {"counts of 40 bits", TreeStream(0, 40, 1, {{1, 0}}, {}), {}},
        {"symbols of 33 bits", TreeStream(0, 4, 33, {{1, 0}}, {}), {}},
        {"symbol table cut", cut, {}},
        {"no bytes", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EntropyCoder coder;
        const bool valid = !c.decoded.empty();
        EXPECT_EQ(InitDecoder(coder, c.stream.empty() ? nullptr : c.stream.data(), int64_t(c.stream.size())), valid);
        Values out(std::max<size_t>(1, c.decoded.size()));
        EXPECT_EQ(DecodeAndExpand(coder, out.data(), int64_t(c.decoded.size()), 0), valid);
        EXPECT_EQ(valid ? out : Values(), c.decoded);
        EXPECT_TRUE(valid || !ReadValue(coder, out[0]));
    }
    Values out;
    EXPECT_FALSE(Expand(Encoded(Values(100, -3)), 100, 0, out)) << "the one symbol is a run marker";
}

TEST(InflateBlock, InflatesWholeZlibStreamsThatEndWithinTheBuffer) {
    const uint32_t n = 5000;
    Stream payload(n), zlib(6000);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = uint8_t((i * i) % 251);
    uLongf size = zlib.size();
    ASSERT_EQ(compress2(zlib.data(), &size, payload.data(), payload.size(), 6), Z_OK);
    zlib.resize(size);
    Stream damaged = zlib, rawDeflate(zlib.begin() + 2, zlib.end() - 4);  // no header, no Adler-32
    damaged[size - 2] ^= 0x40;
    const struct { const char* name; Stream in; uint32_t buffer; int zlibResult; } cases[] = {
        {"exact buffer", zlib, n, Z_STREAM_END}, {"larger buffer", zlib, n + 10, Z_STREAM_END},
        {"buffer one byte short", zlib, n - 1, Z_OK}, {"raw deflate", rawDeflate, n, Z_DATA_ERROR},
        {"Adler-32 trailer damaged", damaged, n, Z_DATA_ERROR}, {"no stream", {}, n, Z_BUF_ERROR},
        {"stream cut in half", Stream(zlib.begin(), zlib.begin() + ptrdiff_t(size / 2)), n, Z_OK},
    };
    for (const auto& c : cases) {
        Stream out(c.buffer, 0);
        bool ok = false;
        const auto log = LogOf([&] { ok = InflateBlock(c.in.data(), uint32_t(c.in.size()), out.data(), c.buffer); });
        const bool inflated = c.zlibResult == Z_STREAM_END;
        EXPECT_EQ(log, inflated ? "" : "[ERROR] Decompressing Zip (" + std::to_string(c.zlibResult) + ")\n") << c.name;
        EXPECT_EQ(ok, inflated) << c.name;
        EXPECT_TRUE(!ok || std::equal(payload.begin(), payload.end(), out.begin())) << c.name;
    }
}
