// The cache container: footer, versions, chunks, header records, result codes and their messages.
#include "FormatTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace FormatTest;
using OvrWriter::Bytes;
using OvrWriter::CacheWriter;

namespace {

const char* const BrokenFile = "FumaraFrameData::ImportOvr broken file. File is: ";
const char* const MissingFooter =
    "Failed reading the ovra2 file footer!\nThe file is damaged, incomplete or in unsupported file format.\n"
    "If the file was saved by Fumara 2.2 or older, please simulate the scene again, but note that the "
    "results may differ.\n";

const float Matrix1[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const float Matrix2[12] = {-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12};
const float Matrix3[12] = {0.5f, 0, 0, 0, 0.5f, 0, 0, 0, 0.5f, 3, 4, 5};

uint32_t floatBits(float value) {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    return bits;
}

Bytes i32Bytes(std::initializer_list<int32_t> values) {
    OvrWriter::ByteBuffer buffer;
    for (int32_t value : values)
        buffer.i32(value);
    return buffer.take();
}

}  // namespace

TEST(Container, FrameNeverReadHoldsTheDefaults) {
    FumaraFrameData frame;
    const CacheIO::FrameDescription& d = frame.description;
    EXPECT_EQ(d.containerVersion, 0x7FFFFFFF);
    EXPECT_EQ(static_cast<uint32_t>(d.frameNumber), 0x80000000u);
    EXPECT_EQ(floatBits(d.headerScalar5), 0x3D088889u);
    EXPECT_EQ(d.headerScalar9, 0.001f);
    EXPECT_EQ(frame.channelRecord(5).minimum, 3.4028235e38f);
    EXPECT_EQ(floatBits(frame.channelRecord(5).maximum), 0x80800000u);
    EXPECT_EQ(d.channelValues[31], -1);
    EXPECT_EQ(d.particleBounds[0], 1e20f);
    EXPECT_EQ(d.particleBounds[5], -1e20f);
    const float identity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    float transform[12];
    frame.getTransform(transform);
    EXPECT_EQ(0, memcmp(transform, identity, sizeof identity));
    EXPECT_EQ(0, memcmp(d.headerMatrixC, identity, sizeof identity));
}

TEST(Container, EveryHeaderRecordIsKept) {
    CacheWriter writer(5);
    Bytes block(392);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 7);
    writer.paramBlock(block);
    writer.channelFlags(0x80000005u);
    writer.transform(Matrix3);
    writer.grid(3, 4, 5, {7, 9});
    writer.frameNumber(42);
    writer.scalar5(0.25f);
    writer.matrixA(Matrix1);
    writer.doubleA(1.5f);
    writer.word9(0xA1B2C3D4u, 0.125f);
    writer.matrices11(Matrix2, Matrix1, Matrix3, 0x0102030405060708ULL);
    writer.doubles10(2.25, -8.5);
    const ReadResult read = importFile(writer);
    ASSERT_EQ(read.code, 0);
    const CacheIO::FrameDescription& d = read.frame->description;
    EXPECT_EQ(d.channelFlags, 0x80000005u);
    EXPECT_EQ(d.flags & CacheIO::FrameFlagChannelBit31, CacheIO::FrameFlagChannelBit31);
    float transform[12];
    read.frame->getTransform(transform);
    EXPECT_EQ(0, memcmp(transform, Matrix3, sizeof Matrix3));
    int resolution[3];
    EXPECT_EQ(read.frame->getResolution(resolution), 3);
    EXPECT_EQ(resolution[1], 4);
    EXPECT_EQ(resolution[2], 5);
    ASSERT_EQ(read.frame->comprDataSzInts(), 2);
    EXPECT_EQ(read.frame->gridData[1], 9);
    EXPECT_EQ(d.frameNumber, 42);
    EXPECT_EQ(d.headerScalar5, 0.25f);
    // Record 11 came after record 6 and overwrote matrix A.
    EXPECT_EQ(0, memcmp(d.headerMatrixA, Matrix2, sizeof Matrix2));
    EXPECT_EQ(0, memcmp(d.headerMatrixB, Matrix1, sizeof Matrix1));
    EXPECT_EQ(0, memcmp(d.headerMatrixC, Matrix3, sizeof Matrix3));
    EXPECT_EQ(d.headerScalar9, 0.125f);
    // Records 8 to 11 set single fields inside the parameter block; its other bytes stay as record 12 left them.
    EXPECT_EQ(d.headerDoubleA(), 2.25);
    EXPECT_EQ(d.headerDoubleB(), -8.5);
    uint32_t word9;
    memcpy(&word9, d.headerParamBlock + 348, 4);
    EXPECT_EQ(word9, 0xA1B2C3D4u);
    uint64_t word11;
    memcpy(&word11, d.headerParamBlock + 384, 8);
    EXPECT_EQ(word11, 0x0102030405060708ULL);
    for (size_t i : {0, 7, 24, 347, 352, 383})
        EXPECT_EQ(d.headerParamBlock[i], block[i]) << "byte " << i;
}

TEST(Container, ParameterBlockKeepsAtMost392Bytes) {
    CacheWriter writer(5);
    writer.paramBlock(Bytes(392, 0xAA));
    writer.paramBlock(Bytes(10, 0x11));  // shorter: the rest keeps the earlier bytes
    Bytes longBlock(500, 0x22);
    longBlock[391] = 0x33;
    CacheWriter longWriter(5);
    longWriter.paramBlock(longBlock);
    longWriter.frameNumber(5);  // read after the dropped bytes
    const ReadResult shortRead = importFile(writer);
    ASSERT_EQ(shortRead.code, 0);
    EXPECT_EQ(shortRead.frame->description.headerParamBlock[9], 0x11);
    EXPECT_EQ(shortRead.frame->description.headerParamBlock[10], 0xAA);
    const ReadResult longRead = importFile(longWriter);
    ASSERT_EQ(longRead.code, 0);
    EXPECT_EQ(longRead.frame->description.headerParamBlock[391], 0x33);
    EXPECT_EQ(longRead.frame->description.frameNumber, 5);
}

TEST(Container, TagOutsideOneToThirteenEndsTheHeader) {
    for (int32_t tag : {0, 14, -1}) {
        CacheWriter writer(5);
        writer.frameNumber(3);
        writer.headerBytes(i32Bytes({tag, 4, 99}));  // a frame number record behind the end
        const ReadResult read = importFile(writer);
        ASSERT_EQ(read.code, 0) << tag;
        EXPECT_EQ(read.frame->description.frameNumber, 3) << tag;
    }
}

TEST(Container, ChunksOfEveryKindAreRead) {
    CacheWriter writer(5);
    writer.text("scene notes");
    writer.channelRanges({{2, -1.0f, 4.0f}, {32, 7.0f, 8.0f}, {31, 0.5f, 0.75f}});
    writer.channelValues({{0, 123456789012LL}, {40, 5}});
    writer.chunk(4242, Bytes(13, 0xEE));  // unknown: skipped by its size
    writer.text("last text wins");
    const ReadResult read = importFile(writer);
    ASSERT_EQ(read.code, 0);
    EXPECT_EQ(read.frame->description.textChunk, "last text wins");
    EXPECT_EQ(read.frame->channelRecord(2).minimum, -1.0f);
    EXPECT_EQ(read.frame->channelRecord(2).maximum, 4.0f);
    EXPECT_EQ(read.frame->channelRecord(31).maximum, 0.75f);
    EXPECT_EQ(read.frame->channelRecord(0).minimum, 3.4028235e38f);  // index 32 was dropped
    EXPECT_EQ(read.frame->description.channelValues[0], 123456789012LL);
    EXPECT_EQ(read.frame->description.channelValues[8], -1);
}

TEST(Container, VersionsChooseTheWidthOfOffsetsAndSizes) {
    for (int32_t version : {3, 4, 5, 0x7FFFFFFF}) {
        CacheWriter writer(version);
        writer.frameNumber(9);
        writer.chunk(2000, Bytes(6, 1));
        writer.text("after the unknown chunk");
        const Bytes bytes = writer.build();
        // The footer is 16 bytes with a 32-bit data offset before version 4, 20 bytes from then on.
        int64_t storedOffset = 0;
        memcpy(&storedOffset, bytes.data() + bytes.size() - (version < 4 ? 16 : 20), version < 4 ? 4 : 8);
        EXPECT_EQ(storedOffset, static_cast<int64_t>(writer.dataOffset()));
        const ReadResult read = importBytes(bytes);
        ASSERT_EQ(read.code, 0) << version;
        EXPECT_EQ(read.frame->description.containerVersion, version);
        EXPECT_EQ(read.frame->description.textChunk, "after the unknown chunk") << version;
        EXPECT_EQ(read.frame->description.frameNumber, 9);
    }
}

TEST(Container, VersionTwoStopsAfterTheParticleDirectory) {
    const float bounds[6] = {0, 1, 2, 3, 4, 5};
    CacheWriter writer(2);
    writer.particleDirectory({{"smoke", 12, 1, 0}}, bounds);
    writer.text("never read");
    writer.setWriteChunkEnd(false);
    const ReadResult read = importFile(writer);
    ASSERT_EQ(read.code, 0);
    EXPECT_EQ(read.frame->description.textChunk, "");
    ASSERT_EQ(read.frame->groupCount(), 1);
    EXPECT_EQ(read.frame->group(0)->name, "smoke");
    EXPECT_EQ(read.frame->description.particleBounds[4], 4.0f);
}

TEST(Container, MissingFooterYieldsTwelve) {
    CacheWriter writer(5);
    writer.frameNumber(1);
    writer.setFooterMagic({'O', 'V', 'R', 'A', '2', 'F', 'M', 'X'});
    LogCapture log;
    const ReadResult read = importFile(writer);
    EXPECT_EQ(read.code, 12);
    EXPECT_EQ(log.text(), MissingFooter);
}

TEST(Container, FilesThatCannotBeOpenedYieldThree) {
    FumaraFrameData frame;
    EXPECT_EQ(frame.ImportOvr(nullptr, false), 3);
    EXPECT_EQ(frame.ImportOvr("", false), 3);
    EXPECT_EQ(frame.ImportOvr(tempPath("no_such_file.ovr").c_str(), false), 3);
}

TEST(Container, NegativeThirtyTwoBitDataOffsetYieldsThreeSilently) {
    CacheWriter writer(3);
    writer.setDataOffsetField(-8);
    LogCapture log;
    EXPECT_EQ(importFile(writer).code, 3);
    EXPECT_EQ(log.text(), "");
}

TEST(Container, BrokenFilesYieldFourAfterTheFailingReadsMessage) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({"shorter than 8 bytes", Bytes{'O', 'V', 'R'}, "Failed while seeking to ovra2 magic!\n"});
    {
        // The last chunk reaches to the end of the file (its size covers the 20-byte footer).
        CacheWriter writer(5);
        writer.chunkWithSize(3000, 20, {});
        writer.setWriteChunkEnd(false);
        cases.push_back({"no chunk end", writer.build(), "Failed reading chunk id!\n"});
    }
    {
        CacheWriter writer(5);
        writer.setHeaderMagic(0x12345678u);
        writer.text("read first");
        cases.push_back({"no header magic", writer.build(), "no hdr\n"});
    }
    {
        CacheWriter writer(5);
        writer.headerBytes(i32Bytes({3, 2, 2, 2, -1}));
        cases.push_back({"negative grid words", writer.build(), "FumaraFrameData::ImportOvr bad comprDataSzInts!"});
    }
    {
        CacheWriter writer(5);
        OvrWriter::ParticleGroup group;
        group.name = "g";
        group.extraSubRecords = i32Bytes({7});
        writer.particles({group}, false);
        cases.push_back({"unknown particle sub-tag", writer.build(), "19\n"});
    }
    {
        CacheWriter writer(4);
        writer.setDataOffsetField(1 << 30);
        cases.push_back({"data offset past the end", writer.build(), BrokenFile});
    }
    for (const Case& c : cases) {
        LogCapture log;
        const ReadResult read = importBytes(c.bytes);
        EXPECT_EQ(read.code, 4) << c.name;
        const std::string text = log.text();
        const size_t message = text.find(c.message);
        const size_t broken = text.find(BrokenFile);
        EXPECT_NE(message, std::string::npos) << c.name << ": " << text;
        EXPECT_NE(broken, std::string::npos) << c.name;
        EXPECT_LE(message, broken) << c.name;
        EXPECT_EQ(read.frame->comprDataSzInts(), 0) << c.name;
    }
}

TEST(Container, TheHeaderIsReadAfterTheChunks) {
    // The chunks are read first, so a text chunk is kept even when the header then fails.
    CacheWriter writer(5);
    writer.setHeaderMagic(0);
    writer.text("kept");
    const ReadResult read = importFile(writer);
    EXPECT_EQ(read.code, 4);
    EXPECT_EQ(read.frame->description.textChunk, "kept");
}

TEST(Container, ChunkSizeThatMovesBackwardsOrPastTheEndYieldsFour) {
    for (int64_t size : {int64_t(-12), int64_t(1) << 40}) {
        CacheWriter writer(5);
        writer.chunkWithSize(3000, size, Bytes(4, 0));
        LogCapture log;
        EXPECT_EQ(importFile(writer).code, 4) << size;
        EXPECT_TRUE(log.contains("Bad size")) << log.text();
    }
}

TEST(Container, HeaderOnlyReadSkipsBulkData) {
    CacheWriter writer(5);
    writer.grid(2, 2, 2, {0, 1, 2, 3, 4, 5});
    writer.particleData({});  // chunk 1002: skipped by its size
    const ReadResult read = importFile(writer, true);
    ASSERT_EQ(read.code, 0);
    EXPECT_TRUE(read.frame->description.headerOnly());
    // A one-word placeholder in which no channel block can be found.
    EXPECT_EQ(read.frame->comprDataSzInts(), 1);
    int resolution[3];
    EXPECT_EQ(read.frame->getResolution(resolution), 2);
}

TEST(Container, TheHeaderEndsAtTheMarker) {
    // Any marker word outside 1 to 13 ends the header by itself.
    CacheWriter writer(5);
    writer.frameNumber(3);
    writer.setMarker(77);
    writer.text("chunk");
    const ReadResult read = importFile(writer);
    ASSERT_EQ(read.code, 0);
    EXPECT_EQ(read.frame->description.frameNumber, 3);
    EXPECT_EQ(read.frame->description.textChunk, "chunk");
    // A record that takes the marker as its value would run on into the chunks: a broken file.
    CacheWriter overrun(5);
    overrun.headerBytes(i32Bytes({4}));
    overrun.setMarker(5);
    overrun.text("chunk");
    EXPECT_EQ(importFile(overrun).code, 4);
}
