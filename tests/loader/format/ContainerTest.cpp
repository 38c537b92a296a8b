// The cache container: footer, versions, chunks, header records, result codes and their messages.
#include "FormatTestSupport.h"

#include <gtest/gtest.h>

using namespace FormatTest;
using OvrWriter::Bytes;
using OvrWriter::CacheWriter;
using OvrWriter::ParticleGroup;

// A damaged file may ask for more memory than exists; the reader must then see a failed allocation
// (as in a normal build) rather than have the sanitizer stop the test.
extern "C" __attribute__((used)) const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {

const float Matrix1[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const float Matrix2[12] = {-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12};
const float Matrix3[12] = {0.5f, 0, 0, 0, 0.5f, 0, 0, 0, 0.5f, 3, 4, 5};

Bytes i32Bytes(std::initializer_list<int32_t> values) {
    OvrWriter::ByteBuffer buffer;
    for (int32_t value : values)
        buffer.i32(value);
    return buffer.take();
}

template <class T>
T at(const uint8_t* bytes) {
    T value;
    memcpy(&value, bytes, sizeof value);
    return value;
}

}  // namespace

TEST(Container, HeaderRecordsAndChunksAreKept) {
    Bytes block(500);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 7);
    CacheWriter writer(5);
    writer.paramBlock(block);  // 392 bytes kept, the rest passed over
    writer.frameNumber(42);
    writer.paramBlock(Bytes(30, 0x11));  // shorter: the bytes after it stay
    writer.channelFlags(0x80000005u);
    writer.transform(Matrix3);
    writer.scalar5(0.25f);
    writer.matrixA(Matrix1);
    writer.word9(0xA1B2C3D4u, 0.125f);
    writer.matrices11(Matrix2, Matrix1, Matrix3, 0x0102030405060708ULL);  // overwrites matrix A
    writer.doubles10(2.25, -8.5);
    writer.doubleA(1.5f);
    writer.text("scene notes");
    writer.channelRanges({{2, -1.0f, 4.0f}, {32, 7.0f, 8.0f}, {31, 0.5f, 0.75f}});
    writer.channelValues({{0, 123456789012LL}, {40, 5}});
    writer.chunk(4242, Bytes(13, 0xEE));  // unknown: skipped by its size
    writer.text("last text wins");
    LogCapture log;
    const ReadResult read = importFile(writer);
    ASSERT_EQ(read.code, 0);
    EXPECT_EQ(log.text(), "");
    const CacheIO::FrameDescription& d = read.frame->description;
    EXPECT_EQ(d.frameNumber, 42);
    EXPECT_EQ(d.channelFlags, 0x80000005u);
    EXPECT_EQ(d.flags & CacheIO::FrameFlagChannelBit31, CacheIO::FrameFlagChannelBit31);
    float transform[12];
    read.frame->getTransform(transform);
    EXPECT_EQ(0, memcmp(transform, Matrix3, sizeof Matrix3));
    EXPECT_EQ(d.headerScalar5, 0.25f);
    EXPECT_EQ(0, memcmp(d.headerMatrixA, Matrix2, sizeof Matrix2));
    EXPECT_EQ(0, memcmp(d.headerMatrixB, Matrix1, sizeof Matrix1));
    EXPECT_EQ(0, memcmp(d.headerMatrixC, Matrix3, sizeof Matrix3));
    EXPECT_EQ(d.headerScalar9, 0.125f);
    EXPECT_EQ(d.headerDoubleA(), 1.5);
    EXPECT_EQ(d.headerDoubleB(), -8.5);
    EXPECT_EQ(at<uint32_t>(d.headerParamBlock + 348), 0xA1B2C3D4u);
    EXPECT_EQ(at<uint64_t>(d.headerParamBlock + 384), 0x0102030405060708ULL);
    for (size_t i : {0, 7, 24, 29, 30, 347, 352, 383})
        EXPECT_EQ(d.headerParamBlock[i], i < 30 ? 0x11 : block[i]) << "byte " << i;
    EXPECT_EQ(d.textChunk, "last text wins");
    EXPECT_EQ(read.frame->channelRecord(2).minimum, -1.0f);
    EXPECT_EQ(read.frame->channelRecord(2).maximum, 4.0f);
    EXPECT_EQ(read.frame->channelRecord(31).maximum, 0.75f);
    EXPECT_EQ(read.frame->channelRecord(0).minimum, 3.4028235e38f);  // index 32 was dropped
    EXPECT_EQ(d.channelValues[0], 123456789012LL);
    EXPECT_EQ(d.channelValues[8], -1);
}

TEST(Container, VersionsChooseTheWidthOfOffsetsAndSizes) {
    // Any marker word outside 1 to 13 ends the header.
    const std::pair<int32_t, uint32_t> cases[] = {{3, 0}, {4, 14}, {5, 0xFFFFFFFFu}, {0x7FFFFFFF, 77}};
    for (auto [version, marker] : cases) {
        CacheWriter writer(version);
        writer.frameNumber(9);
        writer.setMarker(marker);
        writer.chunk(2000, Bytes(6, 1));
        writer.text("after the unknown chunk");
        const ReadResult read = importFile(writer);
        ASSERT_EQ(read.code, 0) << version;
        EXPECT_EQ(read.frame->description.containerVersion, version);
        EXPECT_EQ(read.frame->description.textChunk, "after the unknown chunk") << version;
        EXPECT_EQ(read.frame->description.frameNumber, 9);
    }
    // Version 2 stops after the particle directory.
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

TEST(Container, DamagedFilesYieldTheirCodeAndMessage) {
    const char* const brokenFile = "FumaraFrameData::ImportOvr broken file. File is: ";
    struct Case {
        const char* name;
        Bytes bytes;
        int code;
        const char* message;  // code 4: a message logged before the broken-file line; else the whole log
        const char* text = "";
    };
    auto v5 = [](std::function<void(CacheWriter&)> fill) { return cacheFile(5, fill); };
    auto group = [](std::function<void(ParticleGroup&)> change, bool compressed) {
        return cacheFile(5, [=](CacheWriter& w) {
            ParticleGroup g = positionsGroup("g", 2);
            change(g);
            w.particles({g}, compressed);
        });
    };
    const Case cases[] = {
        {"no footer", v5([](CacheWriter& w) { w.setFooterMagic({'O', 'V', 'R', 'A', '2', 'F', 'M', 'X'}); }), 12,
         "Failed reading the ovra2 file footer!\nThe file is damaged, incomplete or in unsupported file format.\n"
         "If the file was saved by Fumara 2.2 or older, please simulate the scene again, but note that the "
         "results may differ.\n"},
        {"negative 32-bit data offset", cacheFile(3, [](CacheWriter& w) { w.setDataOffsetField(-8); }), 3, ""},
        {"shorter than 8 bytes", Bytes{'O', 'V', 'R'}, 4, "Failed while seeking to ovra2 magic!\n"},
        {"data offset past the end", cacheFile(4, [](CacheWriter& w) { w.setDataOffsetField(1 << 30); }), 4, brokenFile},
        // The last chunk reaches to the end of the file (its size covers the 20-byte footer).
        {"no chunk end", v5([](CacheWriter& w) { w.chunkWithSize(3000, 20, {}); w.setWriteChunkEnd(false); }), 4,
         "Failed reading chunk id!\n"},
        {"chunk size backwards", v5([](CacheWriter& w) { w.chunkWithSize(3000, -12, Bytes(4, 0)); }), 4,
         "Bad size -12 of chunk 3000"},
        {"chunk size past the end", v5([](CacheWriter& w) { w.chunkWithSize(3000, 1LL << 40, Bytes(4, 0)); }), 4,
         "Bad size 1099511627776 of chunk 3000"},
        // The chunks are read first: the text chunk stays when the header then fails.
        {"no header magic", v5([](CacheWriter& w) { w.setHeaderMagic(0x12345678u); w.text("read first"); }), 4,
         "no hdr\n", "read first"},
        // A record that takes the marker as its value runs on into the chunks.
        {"record over the marker", v5([](CacheWriter& w) { w.headerBytes(i32Bytes({4})); w.setMarker(5); }), 4, "0\n"},
        {"negative grid words", v5([](CacheWriter& w) { w.headerBytes(i32Bytes({3, 2, 2, 2, -1})); }), 4,
         "FumaraFrameData::ImportOvr bad comprDataSzInts!"},
        {"grid words past the end", v5([](CacheWriter& w) { w.headerBytes(i32Bytes({3, 2, 2, 2, 1 << 29})); }), 4, "x41\n"},
        {"text past the end", v5([](CacheWriter& w) { w.chunk(1001, i32Bytes({1000, 'x'})); }), 4, "Bad string length"},
        {"negative name length", group([](ParticleGroup& g) { g.nameLengthField = -1; }, false), 4, "Bad string length"},
        {"name past the end", group([](ParticleGroup& g) { g.nameLengthField = 1 << 30; }, true), 4, "Bad string length"},
        {"negative particle count", group([](ParticleGroup& g) { g.countField = -3; }, false), 4,
         "Bad particle count -3 in group g!\n"},
        {"raw channel past the words", group([](ParticleGroup& g) { g.channels[0].offsetField = 4; }, false), 4,
         "Particle channel 0 of group g lies outside the particle data!\n"},
        {"raw count beyond the words", group([](ParticleGroup& g) { g.countField = 1000; }, false), 4,
         "lies outside the particle data"},
        {"compressed channel past the words", group([](ParticleGroup& g) { g.channels[0].offsetField = 1 << 20; }, true),
         4, "lies outside the particle data"},
        {"negative id length", group([](ParticleGroup& g) { g.extraSubRecords = i32Bytes({2, -4}); }, false), 4, "16\n"},
        {"ids past the end", group([](ParticleGroup& g) { g.extraSubRecords = i32Bytes({2, 1000}); }, false), 4, "x161\n"},
        {"negative section words", v5([](CacheWriter& w) { w.record(7, i32Bytes({-1})); }), 4, "9\n"},
        {"raw section words past the end", v5([](CacheWriter& w) { w.record(7, i32Bytes({1000})); }), 4, "x91\n"},
        {"compressed section words past the end", v5([](CacheWriter& w) { w.record(13, i32Bytes({1000})); }), 4, "13\n"},
        {"negative parameter block length", v5([](CacheWriter& w) { w.record(12, i32Bytes({-1})); }), 4, "12\n"},
        {"unknown particle sub-tag", group([](ParticleGroup& g) { g.extraSubRecords = i32Bytes({7}); }, false), 4, "19\n"},
        {"group count beyond the file", v5([](CacheWriter& w) { w.record(7, i32Bytes({0, 1 << 28})); }), 4,
         "Bad particle group count 268435456 "},
        // One group takes at least 140 bytes; 132 are left up to the end of the marker.
        {"group entry one word short", v5([](CacheWriter& w) { w.record(7, i32Bytes({0, 1})); w.headerBytes(Bytes(128)); }),
         4, "Bad particle group count 1 "},
        {"stored channel past the end", v5([](CacheWriter& w) {
             ParticleGroup g = positionsGroup("g", 2);
             g.channels[0].lengthField = 1 << 30;
             w.particleData({g});
         }), 4, "Failed to load compressed particle data!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        const ReadResult read = importBytes(c.bytes);
        EXPECT_EQ(read.code, c.code);
        EXPECT_EQ(read.frame->description.textChunk, c.text);
        const std::string text = log.text();
        if (c.code != 4) {
            EXPECT_EQ(text, c.message);
            continue;
        }
        EXPECT_NE(text.find(brokenFile), std::string::npos) << text;
        EXPECT_LE(text.find(c.message), text.find(brokenFile)) << text;
        EXPECT_EQ(read.frame->comprDataSzInts(), 0);
    }
    FumaraFrameData frame;
    for (const char* path : {static_cast<const char*>(nullptr), "", "/nonexistent/frame.ovr"})
        EXPECT_EQ(frame.ImportOvr(path, false), 3) << (path ? path : "null");
}

TEST(Container, HeaderOnlyReadSkipsBulkData) {
    const float bounds[6] = {0, 0, 0, 1, 1, 1};
    ParticleGroup group = positionsGroup("g", 4);
    group.ids = {1, 2, 3, 4};
    for (bool directory : {false, true}) {
        SCOPED_TRACE(directory ? "with a directory" : "without a directory");
        OvrWriter::GridDataBuilder grid;
        grid.addBlock(0, OvrWriter::rawZone(pattern(8).data(), 8));
        CacheWriter writer(5);
        writer.channelFlags(grid.channelFlags());
        writer.grid(2, 2, 2, grid.words());
        writer.particles({group}, false);
        writer.particleData({group});  // skipped by its size
        if (directory)
            writer.particleDirectory({{"g", 4, 1, 0}}, bounds);
        const ReadResult read = importFile(writer, true);
        ASSERT_EQ(read.code, 0);
        FumaraFrameData& frame = *read.frame;
        EXPECT_TRUE(frame.description.headerOnly());
        // A one-word placeholder in which no channel block can be found.
        EXPECT_EQ(frame.comprDataSzInts(), 1);
        int resolution[3];
        EXPECT_EQ(frame.getResolution(resolution), 2);
        EXPECT_EQ(frame.hasChannel(0), 1);
        EXPECT_EQ(frame.getChannelData(0), nullptr);
        ASSERT_EQ(frame.groupCount(), 1);
        EXPECT_EQ(frame.group(0)->count, 4);
        // The section's positions are read only without a directory; ids never.
        EXPECT_EQ(channelWords(*frame.group(0), 0, 4), directory ? std::vector<uint32_t>() : group.channels[0].words);
        EXPECT_EQ(frame.group(0)->hasChannel(10), 0);
    }
}
