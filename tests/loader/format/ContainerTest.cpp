// The cache container: footer, versions, chunks, header records, result codes and their messages.
#include "FormatTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace FormatTest;
using OvrWriter::Bytes;
using OvrWriter::CacheWriter;
using OvrWriter::ParticleGroup;

// A damaged file may ask for more memory than exists: the reader must see the failed allocation, not a sanitizer stop.
extern "C" __attribute__((used)) const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {

const float Matrix1[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const float Matrix2[12] = {-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12};
const float Matrix3[12] = {0.5f, 0, 0, 0, 0.5f, 0, 0, 0, 0.5f, 3, 4, 5};

Bytes i32Bytes(std::initializer_list<int32_t> values) {
    OvrWriter::ByteBuffer buffer;
    for (int32_t value : values) buffer.i32(value);
    return buffer.take();
}

}  // namespace

TEST(Container, HeaderRecordsAndChunksAreKept) {
    Bytes block(500);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
    CacheWriter writer(5);
    writer.paramBlock(block);  // 392 bytes kept, the rest passed over
    writer.frameNumber(42);
    writer.paramBlock(Bytes(30, 0x11));  // shorter: the bytes after it stay
    writer.channelFlags(0x80000005u);
    writer.transform(Matrix3);
    writer.scalar5(0.25f);
    writer.matrixA(Matrix1);
    const uint32_t word9 = 0xA1B2C3D4u;
    const uint64_t word11 = 0x0102030405060708ULL;
    writer.word9(word9, 0.125f);
    writer.matrices11(Matrix2, Matrix1, Matrix3, word11);  // overwrites matrix A
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
    const auto range = [&](int channel) { return read.frame->channelRecord(channel); };
    // Channel range index 32 is dropped: channel 0 keeps the float maximum as its minimum.
    EXPECT_EQ(std::make_tuple(d.frameNumber, d.channelFlags, d.headerScalar5, d.headerScalar9, d.headerDoubleA(), d.headerDoubleB(),
                              d.textChunk, range(2).minimum, range(2).maximum, range(31).maximum, range(0).minimum,
                              d.channelValues[0], d.channelValues[8]),
              std::make_tuple(42, 0x80000005u, 0.25f, 0.125f, 1.5, -8.5, std::string("last text wins"), -1.0f, 4.0f, 0.75f,
                              3.4028235e38f, 123456789012LL, -1LL));
    EXPECT_EQ(d.flags & CacheIO::FrameFlagChannelBit31, CacheIO::FrameFlagChannelBit31);
    float transform[12];
    read.frame->getTransform(transform);
    EXPECT_EQ(0, memcmp(transform, Matrix3, sizeof Matrix3));
    EXPECT_EQ(0, memcmp(d.headerMatrixA, Matrix2, sizeof Matrix2));
    EXPECT_EQ(0, memcmp(d.headerMatrixB, Matrix1, sizeof Matrix1));
    EXPECT_EQ(0, memcmp(d.headerMatrixC, Matrix3, sizeof Matrix3));
    EXPECT_EQ(0, memcmp(d.headerParamBlock + 348, &word9, 4));
    EXPECT_EQ(0, memcmp(d.headerParamBlock + 384, &word11, 8));
    for (size_t i : {0, 7, 24, 29, 30, 347, 352, 383})
        EXPECT_EQ(d.headerParamBlock[i], i < 30 ? 0x11 : block[i]) << "byte " << i;
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
    // code 4: message is logged before the broken-file line; other codes: message is the whole log.
    struct Case { const char* name; Bytes bytes; int code; const char* message; const char* text = ""; };
    auto v5 = [](std::function<void(CacheWriter&)> fill) { return cacheFile(5, fill); };
    // A changed group of two particles in record 7 (form 0), record 13 (1) or chunk 1002 (2).
    auto group = [](std::function<void(ParticleGroup&)> change, int form) {
        return cacheFile(5, [=](CacheWriter& w) {
            ParticleGroup g = positionsGroup("g", 2);
            change(g);
            form == 2 ? w.particleData({g}) : w.particles({g}, form == 1);
        });
    };
    const Case cases[] = {
        {"no footer", v5([](auto& w) { w.setFooterMagic({'O', 'V', 'R', 'A', '2', 'F', 'M', 'X'}); }), 12,
         "Failed reading the ovra2 file footer!\nThe file is damaged, incomplete or in unsupported file format.\n"
         "If the file was saved by Fumara 2.2 or older, please simulate the scene again, but note that the "
         "results may differ.\n"},
        {"negative 32-bit data offset", cacheFile(3, [](auto& w) { w.setDataOffsetField(-8); }), 3, ""},
        {"shorter than 8 bytes", Bytes{'O', 'V', 'R'}, 4, "Failed while seeking to ovra2 magic!\n"},
        {"data offset past the end", cacheFile(4, [](auto& w) { w.setDataOffsetField(1 << 30); }), 4, brokenFile},
        // The last chunk reaches to the end of the file (its size covers the 20-byte footer).
        {"no chunk end", v5([](auto& w) { w.chunkWithSize(3000, 20, {}); w.setWriteChunkEnd(false); }), 4,
         "Failed reading chunk id!\n"},
        {"chunk size backwards", v5([](auto& w) { w.chunkWithSize(3000, -12, Bytes(4, 0)); }), 4,
         "Bad size -12 of chunk 3000"},
        {"chunk size past the end", v5([](auto& w) { w.chunkWithSize(3000, 1LL << 40, Bytes(4, 0)); }), 4,
         "Bad size 1099511627776 of chunk 3000"},
        // The chunks are read first: the text chunk stays when the header then fails.
        {"no header magic", v5([](auto& w) { w.setHeaderMagic(0x12345678u); w.text("read first"); }), 4,
         "no hdr\n", "read first"},
        // A record that takes the marker as its value runs on into the chunks.
        {"record over the marker", v5([](auto& w) { w.headerBytes(i32Bytes({4})); w.setMarker(5); }), 4, "0\n"},
        {"negative grid words", v5([](auto& w) { w.headerBytes(i32Bytes({3, 2, 2, 2, -1})); }), 4,
         "FumaraFrameData::ImportOvr bad comprDataSzInts!"},
        {"grid words past the end", v5([](auto& w) { w.headerBytes(i32Bytes({3, 2, 2, 2, 1 << 29})); }), 4, "x41\n"},
        {"text past the end", v5([](auto& w) { w.chunk(1001, i32Bytes({1000, 'x'})); }), 4, "Bad string length"},
        {"negative name length", group([](auto& g) { g.nameLengthField = -1; }, 0), 4, "Bad string length"},
        {"name past the end", group([](auto& g) { g.nameLengthField = 1 << 30; }, 1), 4, "Bad string length"},
        {"negative particle count", group([](auto& g) { g.countField = -3; }, 0), 4,
         "Bad particle count -3 in group g!\n"},
        {"raw channel past the words", group([](auto& g) { g.channels[0].offsetField = 4; }, 0), 4,
         "Particle channel 0 of group g lies outside the particle data!\n"},
        {"raw count beyond the words", group([](auto& g) { g.countField = 1000; }, 0), 4,
         "lies outside the particle data"},
        {"compressed channel past the words", group([](auto& g) { g.channels[0].offsetField = 1 << 20; }, 1),
         4, "lies outside the particle data"},
        {"negative id length", group([](auto& g) { g.extraSubRecords = i32Bytes({2, -4}); }, 0), 4, "16\n"},
        {"ids past the end", group([](auto& g) { g.extraSubRecords = i32Bytes({2, 1000}); }, 0), 4, "x161\n"},
        {"negative section words", v5([](auto& w) { w.record(7, i32Bytes({-1})); }), 4, "9\n"},
        {"raw section words past the end", v5([](auto& w) { w.record(7, i32Bytes({1000})); }), 4, "x91\n"},
        {"compressed section words past the end", v5([](auto& w) { w.record(13, i32Bytes({1000})); }), 4, "13\n"},
        {"negative parameter block length", v5([](auto& w) { w.record(12, i32Bytes({-1})); }), 4, "12\n"},
        {"unknown particle sub-tag", group([](auto& g) { g.extraSubRecords = i32Bytes({7}); }, 0), 4, "19\n"},
        {"group count beyond the file", v5([](auto& w) { w.record(7, i32Bytes({0, 1 << 28})); }), 4,
         "Bad particle group count 268435456 "},
        // One group takes at least 140 bytes; 132 are left up to the end of the marker.
        {"group entry one word short", v5([](auto& w) { w.record(7, i32Bytes({0, 1})); w.headerBytes(Bytes(128)); }),
         4, "Bad particle group count 1 "},
        {"stored channel past the end", group([](auto& g) { g.channels[0].lengthField = 1 << 30; }, 2), 4,
         "Failed to load compressed particle data!\n"},
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
        if (directory) writer.particleDirectory({{"g", 4, 1, 0}}, bounds);
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
