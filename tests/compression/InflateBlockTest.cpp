// zlib inflation of cache data in one call.
#include "CodecTestSupport.h"
#include "compression/InflateBlock.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <zlib.h>

using CodecTest::LogCapture;
using ::testing::HasSubstr;

namespace {

std::vector<uint8_t> Payload() {
    std::vector<uint8_t> p(5000);
    for (size_t i = 0; i < p.size(); ++i) p[i] = uint8_t((i * i) % 251);
    return p;
}

// windowBits 15: zlib format; -15: raw deflate; 31: gzip.
std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data, int windowBits) {
    z_stream s{};
    EXPECT_EQ(deflateInit2(&s, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::vector<uint8_t> out(deflateBound(&s, uLong(data.size())) + 32);
    s.next_in = const_cast<Bytef*>(data.data());
    s.avail_in = uInt(data.size());
    s.next_out = out.data();
    s.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

}  // namespace

TEST(InflateBlock, InflatesAStreamThatFitsItsBuffer) {
    const auto payload = Payload();
    const auto stream = Deflate(payload, 15);
    std::vector<uint8_t> out(payload.size());
    EXPECT_TRUE(InflateBlock(stream.data(), uint32_t(stream.size()), out.data(), uint32_t(out.size())));
    EXPECT_EQ(out, payload);
    // A larger buffer is fine too: the stream ends within it.
    std::vector<uint8_t> roomy(payload.size() + 10, 0);
    EXPECT_TRUE(InflateBlock(stream.data(), uint32_t(stream.size()), roomy.data(), uint32_t(roomy.size())));
}

TEST(InflateBlock, ABufferOneByteShortFailsWithZOk) {
    LogCapture log;
    const auto payload = Payload();
    const auto stream = Deflate(payload, 15);
    std::vector<uint8_t> out(payload.size() - 1);
    EXPECT_FALSE(InflateBlock(stream.data(), uint32_t(stream.size()), out.data(), uint32_t(out.size())));
    EXPECT_THAT(log.text(), HasSubstr("[ERROR] Decompressing Zip (0)\n"));
}

TEST(InflateBlock, RefusesOtherFormatsAndDamage) {
    LogCapture log;
    const auto payload = Payload();
    std::vector<uint8_t> out(payload.size());
    const auto raw = Deflate(payload, -15);
    EXPECT_FALSE(InflateBlock(raw.data(), uint32_t(raw.size()), out.data(), uint32_t(out.size())));
    const auto gzip = Deflate(payload, 31);
    EXPECT_FALSE(InflateBlock(gzip.data(), uint32_t(gzip.size()), out.data(), uint32_t(out.size())));
    auto damaged = Deflate(payload, 15);
    damaged[damaged.size() - 2] ^= 0x40;  // the Adler-32 trailer no longer matches
    EXPECT_FALSE(InflateBlock(damaged.data(), uint32_t(damaged.size()), out.data(), uint32_t(out.size())));
    EXPECT_THAT(log.text(), HasSubstr("[ERROR] Decompressing Zip (-3)\n"));
    auto truncated = Deflate(payload, 15);
    truncated.resize(truncated.size() / 2);
    EXPECT_FALSE(InflateBlock(truncated.data(), uint32_t(truncated.size()), out.data(), uint32_t(out.size())));
}

TEST(InflateBlock, AnEmptySourceFailsWithZBufError) {
    LogCapture log;
    uint8_t out[16];
    EXPECT_FALSE(InflateBlock(nullptr, 0, out, sizeof out));
    EXPECT_THAT(log.text(), HasSubstr("[ERROR] Decompressing Zip (-5)\n"));
}
