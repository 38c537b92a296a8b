// Damaged files: fields that point outside the data, every prefix of a file, every flipped bit.
// The reader must answer with a result code (and the log), never read outside its buffers.
#include "FormatTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace FormatTest;
using OvrWriter::Bytes;
using OvrWriter::CacheWriter;
using OvrWriter::ParticleChannel;
using OvrWriter::ParticleGroup;

namespace {

ParticleGroup positionsGroup(const std::string& name, int32_t count) {
    ParticleGroup group;
    group.name = name;
    group.count = count;
    group.channels.push_back(channelData(0, floatWords(pattern(3 * count, 2.0f, 5.0f))));
    return group;
}

// A small file with every feature: grid channels in both block forms, packed colour, velocity,
// all header records, both particle sections with ids, and every chunk with every method.
Bytes everyFeatureFile() {
    constexpr int X = 5, Y = 4, Z = 3, V = X * Y * Z;
    OvrWriter::GridDataBuilder grid;
    OvrWriter::QuantOptions options;
    options.bits = 8;
    const std::vector<float> smoke = pattern(V, 1.0f, 1.0f);
    grid.addBlock(0, OvrWriter::encodeChannel1D(smoke.data(), V, options, 25));
    grid.addBlock(2, OvrWriter::zoneTableBlock({{0, OvrWriter::constantZone(30, 1.5f)},
                                                {30, OvrWriter::rawZone(smoke.data(), 30)}}));
    for (int c = 4; c <= 6; ++c)
        grid.addBlock(c, OvrWriter::constantZone(V, 0.25f * c));
    std::vector<uint32_t> colours(V);
    for (int i = 0; i < V; ++i)
        colours[i] = 0x102030u * static_cast<uint32_t>(i);
    grid.addBlock(18, OvrWriter::packedColourPayload(colours.data(), V));

    const float m[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0.5f, 0.5f, 0.5f};
    CacheWriter writer(5);
    writer.channelFlags(grid.channelFlags());
    writer.transform(m);
    writer.grid(X, Y, Z, grid.words());
    writer.frameNumber(12);
    writer.paramBlock(Bytes(16, 3));
    writer.doubles10(1.0, 2.0);
    writer.word9(5, 0.5f);
    ParticleGroup raw = positionsGroup("raw", 6);
    raw.kind = FumaraFrameData::PGroup::GridVelocityKind;
    raw.ids = {5, 3, 9, 1, 2, 8};
    ParticleGroup packed = positionsGroup("packed", 5);
    packed.channels.push_back(channelData(2, floatWords(pattern(5))));
    packed.channels[1].quantBits = 8;
    packed.ids = {1, 2, 3, 4, 5};
    writer.particles({raw}, false);
    writer.particles({raw, packed}, true);
    writer.text("notes");
    writer.channelRanges({{0, 0.0f, 2.0f}});
    writer.channelValues({{1, 7}});
    // The particle data chunk holds the same groups (it is read before the header), with the
    // channels that the sections do not carry, in every method.
    ParticleGroup storedRaw = raw;
    storedRaw.channels.clear();
    for (int32_t method = 0; method <= 4; ++method) {
        const int32_t channel = 11 + method;
        storedRaw.channels.push_back(channelData(channel, floatWords(pattern(6, 1.0f + method)), method));
    }
    ParticleGroup storedPacked = packed;
    storedPacked.channels = {channelData(4, floatWords(pattern(15)), 4), channelData(9, {1, 2, 3, 4, 5}, 3)};
    writer.particleData({storedRaw, storedPacked});
    return writer.build();
}

// Reads the bytes and uses everything the frame offers; returns the result code.
int readAndUse(const Bytes& bytes) {
    static const std::string path = tempPath("damaged.ovr");
    OvrWriter::writeBytes(path, bytes);
    FumaraFrameData frame;
    const int code = frame.ImportOvr(path.c_str(), false);
    if (code != 0)
        return code;
    int resolution[3];
    frame.getResolution(resolution);
    for (int channel = 0; channel < 32; ++channel) {
        const float* values = frame.getChannelData(channel);
        if (values && frame.voxelCount() > 0) {
            volatile float last = values[frame.voxelCount() - 1];
            (void)last;
        }
    }
    for (int index = 0; index < frame.groupCount(); ++index) {
        FumaraFrameData::PGroup& group = *frame.group(index);
        for (int channel = 0; channel < 32; ++channel) {
            uint8_t value[12];
            for (int particle = 0; particle < group.count && particle < 64; ++particle)
                group.getParticleValue(particle, channel, value);
        }
        group.findParticleById(3);
    }
    return code;
}

bool knownCode(int code) {
    return code == 0 || code == 3 || code == 4 || code == 12;
}

}  // namespace

TEST(Robustness, EveryFeatureFileIsReadable) {
    const Bytes bytes = everyFeatureFile();
    LogCapture log;
    EXPECT_EQ(readAndUse(bytes), 0);
    // A valid file reads without a single complaint.
    EXPECT_EQ(log.text(), "");
}

TEST(Robustness, EveryPrefixOfAFileIsRefused) {
    const Bytes bytes = everyFeatureFile();
    for (size_t length = 0; length < bytes.size(); ++length) {
        const int code = readAndUse(Bytes(bytes.begin(), bytes.begin() + length));
        ASSERT_EQ(code, length < 8 ? 4 : 12) << "prefix of " << length << " bytes";
    }
}

TEST(Robustness, EveryCutBeforeTheFooterIsSurvived) {
    // The body cut short while the footer stays: every read runs into the end somewhere.
    const Bytes bytes = everyFeatureFile();
    const size_t footer = 20;
    for (size_t length = 0; length + footer < bytes.size(); ++length) {
        Bytes cut(bytes.begin(), bytes.begin() + length);
        cut.insert(cut.end(), bytes.end() - footer, bytes.end());
        const int code = readAndUse(cut);
        ASSERT_TRUE(code == 0 || code == 4) << "cut at " << length << ": " << code;
    }
}

TEST(Robustness, EveryFlippedBitIsSurvived) {
    const Bytes bytes = everyFeatureFile();
    for (size_t bit = 0; bit < bytes.size() * 8; ++bit) {
        Bytes flipped = bytes;
        flipped[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
        ASSERT_TRUE(knownCode(readAndUse(flipped))) << "bit " << bit;
    }
}

TEST(Robustness, FieldsPointingOutsideTheDataYieldFour) {
    struct Case {
        const char* name;
        const char* message;
        void (*build)(CacheWriter&);
    };
    std::vector<Case> cases;
    auto add = [&](const char* name, const char* message, void (*build)(CacheWriter&)) {
        cases.push_back({name, message, build});
    };
    add("negative name length", "Bad string length", [](CacheWriter& w) {
        ParticleGroup group = positionsGroup("g", 2);
        group.nameLengthField = -1;
        w.particles({group}, false);
    });
    add("name past the end", "Bad string length", [](CacheWriter& w) {
        ParticleGroup group = positionsGroup("g", 2);
        group.nameLengthField = 1 << 30;
        w.particles({group}, true);
    });
    add("text past the end", "Bad string length", [](CacheWriter& w) {
        OvrWriter::ByteBuffer b;
        b.stringWithLength(1000, "x");
        w.chunk(1001, b.take());
    });
    add("raw channel past the words", "lies outside the particle data", [](CacheWriter& w) {
        ParticleGroup group = positionsGroup("g", 2);
        group.channels[0].offsetField = 4;
        w.particles({group}, false);
    });
    add("raw count beyond the words", "lies outside the particle data", [](CacheWriter& w) {
        ParticleGroup group = positionsGroup("g", 2);
        group.countField = 1000;
        w.particles({group}, false);
    });
    add("compressed channel past the words", "lies outside the particle data", [](CacheWriter& w) {
        ParticleGroup group = positionsGroup("g", 2);
        group.channels[0].offsetField = 1 << 20;
        w.particles({group}, true);
    });
    add("negative particle count", "Bad particle count", [](CacheWriter& w) {
        ParticleGroup group = positionsGroup("g", 2);
        group.countField = -3;
        w.particles({group}, false);
    });
    add("negative id length", "16\n", [](CacheWriter& w) {
        ParticleGroup group = positionsGroup("g", 2);
        group.extraSubRecords = [] {
            OvrWriter::ByteBuffer b;
            b.i32(2);
            b.i32(-4);
            return b.take();
        }();
        w.particles({group}, false);
    });
    add("group count beyond the file", "Bad particle group count", [](CacheWriter& w) {
        OvrWriter::ByteBuffer b;
        b.i32(0);
        b.i32(1 << 28);
        w.record(7, b.take());
    });
    add("stored channel past the end", "Failed to load compressed particle data!\n", [](CacheWriter& w) {
        ParticleGroup group = positionsGroup("g", 2);
        group.channels[0].lengthField = 1 << 30;
        w.particleData({group});
    });
    add("grid words past the end", "x41\n", [](CacheWriter& w) {
        OvrWriter::ByteBuffer b;
        for (int32_t v : {3, 2, 2, 2, 1 << 29})
            b.i32(v);
        w.headerBytes(b.take());
    });
    for (const Case& c : cases) {
        CacheWriter writer(5);
        c.build(writer);
        LogCapture log;
        EXPECT_EQ(importFile(writer).code, 4) << c.name;
        EXPECT_TRUE(log.contains(c.message)) << c.name << ": " << log.text();
    }
}

TEST(Robustness, BrokenParticleDataLeavesTheRestReadable) {
    ParticleGroup group = positionsGroup("g", 4);
    group.channels.push_back(channelData(2, floatWords(pattern(4))));
    group.channels[1].storedBytes = OvrWriter::rawZone(pattern(3).data(), 3);  // one value short
    group.idBytes = Bytes{1, 2, 3};
    ParticleGroup outOfRange = positionsGroup("h", 2);
    outOfRange.channels.push_back(channelData(40, {1, 2}));
    CacheWriter section(5);
    section.particles({group}, true);
    section.particleData({outOfRange});
    LogCapture log;
    const ReadResult read = importFile(section);
    ASSERT_EQ(read.code, 0);
    EXPECT_TRUE(log.contains("Error decompressing particle channel 2 of group g\n")) << log.text();
    EXPECT_TRUE(log.contains("Error decoding the particle ids of group g\n")) << log.text();
    IFumaraPrtGroup& loaded = *read.frame->findParticleGroup("g");
    EXPECT_EQ(loaded.hasChannel(2), 0);
    EXPECT_EQ(loaded.hasChannel(10), 0);
    EXPECT_EQ(channelWords(loaded, 0), floatWords(pattern(12, 2.0f, 5.0f)));
}
