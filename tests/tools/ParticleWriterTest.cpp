// Particle sections, the particle data chunk with every storage method, and encoded ids, byte by byte.
#include "tests/tools/LittleEndian.h"

#include "compression/EntropyCoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace OvrWriter;
using namespace OvrWriterTest;

namespace {

Bytes inflateAll(const Bytes& stream, size_t expectedSize) {
    Bytes out(expectedSize + 16);
    uLongf length = uLongf(out.size());
    EXPECT_EQ(uncompress(out.data(), &length, stream.data(), uLong(stream.size())), Z_OK);
    out.resize(length);
    return out;
}

Bytes leBytes(const std::vector<uint32_t>& words) {
    ByteBuffer b;
    for (uint32_t w : words) b.u32(w);
    return b.take();
}

std::vector<uint32_t> pattern(size_t n, uint32_t seed) {
    std::vector<uint32_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = (seed + uint32_t(i)) * 2654435761u;
    return v;
}

TEST(ParticleLayouts, ChannelWordCountsFollowTheChannelTable) {
    const int32_t expected[18] = {3, 3, 1, 1, 3, 1, 0, 0, 0, 1, 2, 1, 1, 1, 1, 1, 1, 1};
    for (int32_t c = 0; c < 18; ++c) EXPECT_EQ(particleChannelWords(c), expected[c]) << c;
    EXPECT_EQ(particleChannelWords(18), 1);
    EXPECT_EQ(particleChannelWords(31), 1);
}

// Reassembling the planes as the reader does (word w of particle p is the OR over b of bit p%32 of
// plane word (w*32+b)*B + p/32, shifted to bit b) gives the words back; 33 particles need B = 2.
TEST(ParticleLayouts, BitPlanesAndComponentOrderRearrangeEveryWord) {
    const int32_t count = 33, wpp = 2;
    const std::vector<uint32_t> words = pattern(size_t(count * wpp), 7);
    const std::vector<uint32_t> planes = bitPlanes(words, count, wpp);
    const size_t B = 2;
    ASSERT_EQ(planes.size(), B * 32 * wpp);
    for (int32_t p = 0; p < count; ++p)
        for (int32_t w = 0; w < wpp; ++w) {
            uint32_t v = 0;
            for (int b = 0; b < 32; ++b) v |= ((planes[(size_t(w) * 32 + b) * B + p / 32] >> (p % 32)) & 1u) << b;
            ASSERT_EQ(v, words[size_t(p * wpp + w)]) << p << "," << w;
        }
    const std::vector<uint32_t> major = componentMajor(words, count, wpp);
    for (int32_t p = 0; p < count; ++p)
        for (int32_t w = 0; w < wpp; ++w) ASSERT_EQ(major[size_t(w * count + p)], words[size_t(p * wpp + w)]);
    EXPECT_EQ(idWords({0x0000000500000007LL, -2}), (std::vector<uint32_t>{7, 5, 0xFFFFFFFEu, 0xFFFFFFFFu}));
}

TEST(ParticleLayouts, StoredBytesForEachMethod) {
    const int32_t count = 5;
    ParticleChannel ch;
    ch.channel = 0;
    ch.words = pattern(size_t(count * 3), 1);
    const Bytes raw = leBytes(ch.words);

    ch.method = 0;
    EXPECT_EQ(storedParticleChannel(ch, count), raw);
    ch.method = 1;
    EXPECT_EQ(inflateAll(storedParticleChannel(ch, count), raw.size()), raw);
    ch.method = 2;
    EXPECT_EQ(storedParticleChannel(ch, count), rawZoneWords(ch.words.data(), count * 3));
    ch.method = 3;
    const std::vector<uint32_t> major = componentMajor(ch.words, count, 3);
    EXPECT_EQ(storedParticleChannel(ch, count), rawZoneWords(major.data(), count * 3));
    ch.method = 4;
    const Bytes planes = leBytes(bitPlanes(ch.words, count, 3));
    EXPECT_EQ(inflateAll(storedParticleChannel(ch, count), planes.size()), planes);
    ch.method = 9; // not a method the reader knows: stored as the raw bytes
    EXPECT_EQ(storedParticleChannel(ch, count), raw);
    ch.storedBytes = Bytes{1, 2, 3};
    EXPECT_EQ(storedParticleChannel(ch, count), (Bytes{1, 2, 3}));
}

TEST(ParticleLayouts, RawSectionHasWordsGroupsOffsetsAndSubRecords) {
    ParticleGroup a;
    a.name = "fire";
    a.count = 2;
    a.kind = 0x30000;
    a.groupWord = 0x0102030405060708ull;
    a.channels.push_back({0, pattern(6, 3), 0, 0, {}, {}, {}});
    a.channels.push_back({2, {11, 12}, 0, 0, {}, {}, {}});
    ParticleGroup b;
    b.name = "s";
    b.count = 1;
    b.ids = {42};
    b.writeGroupWord = false;
    b.channels.push_back({5, {99}, 0, 0, {}, {}, {}});

    const Bytes s = particleSection({a, b}, false);
    EXPECT_EQ(i32At(s, 0), 9); // W
    EXPECT_EQ(slice(s, 4, 24), leBytes(a.channels[0].words));
    EXPECT_EQ(u32At(s, 28), 11u);
    EXPECT_EQ(u32At(s, 36), 99u);
    size_t at = 40;
    EXPECT_EQ(i32At(s, at), 2);
    EXPECT_EQ(i32At(s, at + 4), 4);
    EXPECT_EQ(textAt(s, at + 8, 4), "fire");
    EXPECT_EQ(i32At(s, at + 12), 2);
    at += 16;
    for (int c = 0; c < 32; ++c) EXPECT_EQ(i32At(s, at + 4 * c), c == 0 ? 0 : c == 2 ? 6 : -1) << c;
    at += 128;
    EXPECT_EQ(i32At(s, at), 1);
    EXPECT_EQ(i32At(s, at + 4), 0x30000);
    EXPECT_EQ(i32At(s, at + 8), 3);
    EXPECT_EQ(i64At(s, at + 12), 0x0102030405060708LL);
    EXPECT_EQ(i32At(s, at + 20), 0);
    at += 24;
    // Group b: name, count, offsets (channel 5 at word 8), kind, ids, end.
    EXPECT_EQ(i32At(s, at + 4 + 1 + 4 + 4 * 5), 8);
    at += 4 + 1 + 4 + 128;
    EXPECT_EQ(i32At(s, at), 1);
    EXPECT_EQ(i32At(s, at + 8), 2);
    const Bytes ids = encodeParticleIds({42});
    EXPECT_EQ(i32At(s, at + 12), int32_t(ids.size()));
    EXPECT_EQ(slice(s, at + 16, ids.size()), ids);
    EXPECT_EQ(i32At(s, at + 16 + ids.size()), 0);
    EXPECT_EQ(s.size(), at + 20 + ids.size());
}

TEST(ParticleLayouts, CompressedSectionStoresComponentMajorBlocks) {
    ParticleGroup g;
    g.name = "g";
    g.count = 2;
    g.channels.push_back({1, {1, 2, 3, 4, 5, 6}, 0, 0, {}, {}, {}});
    const Bytes s = particleSection({g}, true);
    const std::vector<uint32_t> major = {1, 4, 2, 5, 3, 6};
    const Bytes block = rawZoneWords(major.data(), 6);
    const size_t words = (block.size() + 3) / 4;
    EXPECT_EQ(i32At(s, 0), int32_t(words));
    EXPECT_EQ(slice(s, 4, block.size()), block);
    EXPECT_EQ(i32At(s, 4 + 4 * words + 4 + 4 + 1 + 4 + 4), 0); // channel 1's offset
}

// Every override writes exactly the odd value asked for.
TEST(ParticleLayouts, OverridesWriteOddCountsLengthsAndSubRecords) {
    ParticleGroup g;
    g.name = "ab";
    g.nameLengthField = 1000;
    g.count = 1;
    g.countField = -5;
    g.writeKind = false;
    g.writeGroupWord = false;
    g.extraSubRecords = {7, 0, 0, 0};
    g.writeEndSubTag = false;
    g.channels.push_back({3, {1}, 0, 0, {}, {}, 123456});
    const Bytes s = particleSection({g}, false, -2);
    EXPECT_EQ(i32At(s, 0), -2);
    EXPECT_EQ(i32At(s, 12), 1000);
    EXPECT_EQ(textAt(s, 16, 2), "ab");
    EXPECT_EQ(i32At(s, 18), -5);
    EXPECT_EQ(i32At(s, 22 + 12), 123456);
    EXPECT_EQ(i32At(s, 22 + 128), 7);
    EXPECT_EQ(s.size(), 22u + 128 + 4);

    ParticleChannel ch{10, {}, 4, 0, Bytes{9, 9}, -1, {}};
    g.channels = {ch};
    const Bytes chunk = particleDataChunk({g});
    // G, name (field 1000, 2 bytes), kind, count, group word, M, then id, method, length, bytes.
    EXPECT_EQ(i32At(chunk, 0), 1);
    EXPECT_EQ(i32At(chunk, 4), 1000);
    EXPECT_EQ(i32At(chunk, 10), 0);
    EXPECT_EQ(i32At(chunk, 14), -5);
    EXPECT_EQ(i32At(chunk, 26), 1);
    EXPECT_EQ(i32At(chunk, 30), 10);
    EXPECT_EQ(i32At(chunk, 34), 4);
    EXPECT_EQ(i32At(chunk, 38), -1);
    EXPECT_EQ(slice(chunk, 42, 2), (Bytes{9, 9}));
    EXPECT_EQ(chunk.size(), 44u);
}

TEST(ParticleLayouts, DataChunkListsEveryChannelWithItsMethodAndLength) {
    ParticleGroup g;
    g.name = "p";
    g.kind = 3;
    g.count = 2;
    g.groupWord = 77;
    g.channels.push_back({0, pattern(6, 9), 1, 0, {}, {}, {}});
    g.channels.push_back({10, idWords({5, 9}), 4, 0, {}, {}, {}});
    const Bytes chunk = particleDataChunk({g});
    EXPECT_EQ(i32At(chunk, 9), 3);
    EXPECT_EQ(i32At(chunk, 13), 2);
    EXPECT_EQ(i64At(chunk, 17), 77);
    EXPECT_EQ(i32At(chunk, 25), 2);
    size_t at = 29;
    for (const ParticleChannel& ch : g.channels) {
        const Bytes stored = storedParticleChannel(ch, g.count);
        EXPECT_EQ(i32At(chunk, at), ch.channel);
        EXPECT_EQ(i32At(chunk, at + 4), ch.method);
        EXPECT_EQ(i32At(chunk, at + 8), int32_t(stored.size()));
        EXPECT_EQ(slice(chunk, at + 12, stored.size()), stored);
        at += 12 + stored.size();
    }
    EXPECT_EQ(chunk.size(), at);
}

// Ids are differences to the previous id, each as a low and a high word, read one value at a time.
TEST(ParticleIds, EncodedAsDifferencesOfLowAndHighWords) {
    // Small steps, a step past 32 bits, a step back, and differences whose words span all 32 bits.
    const std::vector<std::vector<int64_t>> cases = {{10, 12, 0x100000000LL + 12, 7},
                                                     {-5, 3, 3000000000LL, 3000000001LL, 1LL << 50},
                                                     {40, -7, 1LL << 40, 12, 0, 39}};
    for (const std::vector<int64_t>& ids : cases) {
        const Bytes bytes = encodeParticleIds(ids);
        FMRUtils::EntropyCoder coder;
        ASSERT_TRUE(FMRUtils::InitDecoder(coder, bytes.data(), int64_t(bytes.size())));
        int64_t previous = 0;
        for (int64_t id : ids) {
            int32_t low = 0, high = 0;
            ASSERT_TRUE(FMRUtils::ReadValue(coder, low));
            ASSERT_TRUE(FMRUtils::ReadValue(coder, high));
            const uint64_t difference = uint64_t(uint32_t(low)) | uint64_t(uint32_t(high)) << 32;
            previous = int64_t(uint64_t(previous) + difference);
            EXPECT_EQ(previous, id);
        }
    }
}

} // namespace
