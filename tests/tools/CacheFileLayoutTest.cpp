// The container as written: magic, header records, marker, chunks, end id and footer per version.
#include "tests/tools/LittleEndian.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

using namespace OvrWriter;
using namespace OvrWriterTest;

namespace {

const float kIdentity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

TEST(CacheFileLayout, EmptyFileHasMagicMarkerEndIdAndWideFooter) {
    const Bytes b = CacheWriter(5).build();
    // "OVRA", marker, end id, then i64 offset, i32 version, "OVRA2FMR".
    ASSERT_EQ(b.size(), 4u + 4 + 4 + 20);
    EXPECT_EQ(textAt(b, 0, 4), "OVRA");
    EXPECT_EQ(i32At(b, 4), 0);
    EXPECT_EQ(i32At(b, 8), ChunkId::End);
    EXPECT_EQ(i64At(b, b.size() - 20), 4);
    EXPECT_EQ(i32At(b, b.size() - 12), 5);
    EXPECT_EQ(textAt(b, b.size() - 8, 8), "OVRA2FMR");
}

TEST(CacheFileLayout, FooterAndChunkSizesFollowTheVersion) {
    struct Case {
        int32_t version;
        bool wide;
    };
    for (const Case c : {Case{2, false}, Case{3, false}, Case{4, true}, Case{5, true}, Case{kNotFromFileVersion, true}}) {
        SCOPED_TRACE(c.version);
        CacheWriter w(c.version);
        w.frameNumber(7);
        w.text("abc");
        const Bytes b = w.build();
        const size_t footer = c.wide ? 20 : 16;
        const size_t sizeField = c.wide ? 8 : 4;
        const size_t marker = 4 + 8; // magic, then record 4 with its i32
        ASSERT_EQ(b.size(), marker + 4 + (4 + sizeField + 7) + 4 + footer);
        EXPECT_EQ(w.dataOffset(), marker);
        EXPECT_EQ(c.wide ? i64At(b, b.size() - 20) : int64_t(i32At(b, b.size() - 16)), int64_t(marker));
        EXPECT_EQ(i32At(b, b.size() - 12), c.version);
        EXPECT_EQ(textAt(b, b.size() - 8, 8), "OVRA2FMR");
        // The chunk right behind the marker: id, size, payload (a string).
        const size_t chunk = marker + 4;
        EXPECT_EQ(i32At(b, chunk), ChunkId::Text);
        EXPECT_EQ(c.wide ? i64At(b, chunk + 4) : int64_t(i32At(b, chunk + 4)), 7);
        EXPECT_EQ(i32At(b, chunk + 4 + sizeField), 3);
        EXPECT_EQ(textAt(b, chunk + 8 + sizeField, 3), "abc");
        EXPECT_EQ(i32At(b, chunk + 4 + sizeField + 7), ChunkId::End);
    }
}

// Each record is its tag and a payload of the length its tag implies.
TEST(CacheFileLayout, HeaderRecordsHaveTheirTagsAndLengths) {
    CacheWriter w;
    const float a[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    size_t at = 4;
    auto expectRecord = [&](int32_t tag, size_t payload) {
        const Bytes b = w.build();
        EXPECT_EQ(i32At(b, at), tag);
        at += 4 + payload;
        EXPECT_EQ(w.dataOffset(), at) << "tag " << tag;
    };
    w.channelFlags(0x80000004u);
    expectRecord(HeaderTag::ChannelFlags, 4);
    w.transform(a);
    expectRecord(HeaderTag::Transform, 48);
    w.grid(2, 3, 4, {10, 11, 12});
    expectRecord(HeaderTag::Grid, 16 + 12);
    w.frameNumber(-3);
    expectRecord(HeaderTag::FrameNumber, 4);
    w.scalar5(0.5f);
    expectRecord(HeaderTag::Scalar5, 4);
    w.matrixA(a);
    expectRecord(HeaderTag::MatrixA, 48);
    w.doubleA(2.5f);
    expectRecord(HeaderTag::DoubleA, 4);
    w.word9(0xABCD, 0.25f);
    expectRecord(HeaderTag::Word9, 8);
    w.doubles10(1.5, -2.5);
    expectRecord(HeaderTag::Doubles10, 16);
    w.matrices11(a, kIdentity, a, 0x1122334455667788ull);
    expectRecord(HeaderTag::Matrices11, 3 * 48 + 8);
    w.paramBlock(Bytes(400, 0x5A));
    expectRecord(HeaderTag::ParamBlock, 4 + 400);
    w.record(14, {1, 2});
    expectRecord(14, 2);

    const Bytes b = w.build();
    EXPECT_EQ(u32At(b, 8), 0x80000004u);
    EXPECT_EQ(f32At(b, 16 + 44), 12.0f); // last float of the transform
    // Record 3 at 64: resolution, word count, words.
    EXPECT_EQ(i32At(b, 68), 2);
    EXPECT_EQ(i32At(b, 72), 3);
    EXPECT_EQ(i32At(b, 76), 4);
    EXPECT_EQ(i32At(b, 80), 3);
    EXPECT_EQ(u32At(b, 92), 12u);
    EXPECT_EQ(i32At(b, 100), -3);
}

TEST(CacheFileLayout, ChunkPayloadsHoldTheirFields) {
    CacheWriter w;
    const float bounds[6] = {-1, -2, -3, 4, 5, 6};
    w.particleDirectory({{"ab", 9, 0x401, 0x30000}}, bounds, 0xDEADBEEF);
    w.channelRanges({{2, -1.0f, 3.0f}, {40, 0.0f, 1.0f}});
    w.channelValues({{5, -7}});
    const Bytes b = w.build();

    size_t at = w.dataOffset() + 4;
    EXPECT_EQ(i32At(b, at), ChunkId::ParticleDirectory);
    EXPECT_EQ(i64At(b, at + 4), 4 + (4 + 2 + 12) + 24 + 4);
    at += 12;
    EXPECT_EQ(i32At(b, at), 1);
    EXPECT_EQ(i32At(b, at + 4), 2);
    EXPECT_EQ(textAt(b, at + 8, 2), "ab");
    EXPECT_EQ(i32At(b, at + 10), 9);
    EXPECT_EQ(i32At(b, at + 14), 0x401);
    EXPECT_EQ(i32At(b, at + 18), 0x30000);
    EXPECT_EQ(f32At(b, at + 22), -1.0f);
    EXPECT_EQ(f32At(b, at + 42), 6.0f);
    EXPECT_EQ(u32At(b, at + 46), 0xDEADBEEFu);
    at += 50;
    EXPECT_EQ(i32At(b, at), ChunkId::ChannelRanges);
    EXPECT_EQ(i64At(b, at + 4), 4 + 2 * 12);
    EXPECT_EQ(i32At(b, at + 12), 2);
    EXPECT_EQ(u32At(b, at + 28), 40u);
    at += 12 + 28;
    EXPECT_EQ(i32At(b, at), ChunkId::ChannelValues);
    EXPECT_EQ(i64At(b, at + 4), 4 + 12);
    EXPECT_EQ(i64At(b, at + 20), -7);
    EXPECT_EQ(i32At(b, at + 28), ChunkId::End);
}

// The knobs for broken files change exactly the field they name.
TEST(CacheFileLayout, KnobsWriteOddFiles) {
    CacheWriter w(3);
    w.chunkWithSize(4242, -8, {1, 2, 3});
    w.chunkBytes({9, 9});
    w.headerBytes({7});
    w.setHeaderMagic(0x12345678);
    w.setMarker(5);
    w.setDataOffsetField(-1);
    w.setWriteChunkEnd(false);
    w.setFooterMagic({'X', 'Y'});
    Bytes b = w.build();
    ASSERT_EQ(b.size(), 4u + 1 + 4 + (8 + 3) + 2 + 4 + 4 + 2);
    EXPECT_EQ(u32At(b, 0), 0x12345678u);
    EXPECT_EQ(b[4], 7);
    EXPECT_EQ(i32At(b, 5), 5);
    EXPECT_EQ(i32At(b, 9), 4242);
    EXPECT_EQ(i32At(b, 13), -8);
    EXPECT_EQ(b[20], 9);
    EXPECT_EQ(i32At(b, 22), -1);
    EXPECT_EQ(i32At(b, 26), 3);
    EXPECT_EQ(textAt(b, 30, 2), "XY");

    w.setWriteFooter(false);
    b = w.build();
    EXPECT_EQ(b.size(), 22u);
}

TEST(CacheFileLayout, SaveWritesTheBuiltBytes) {
    CacheWriter w;
    w.frameNumber(12);
    const std::string path = ::testing::TempDir() + "cachewriter_save.ovr";
    ASSERT_TRUE(w.save(path));
    std::ifstream in(path, std::ios::binary);
    const Bytes read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(read, w.build());
    std::remove(path.c_str());
    EXPECT_FALSE(w.save(::testing::TempDir() + "no_such_directory/x.ovr"));
}

} // namespace
