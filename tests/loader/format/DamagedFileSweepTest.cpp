// A file with every feature, cut short before its footer at every length and with every bit flipped:
// the reader answers with a result code and never reads outside its buffers (the sanitizer build
// checks), whatever it then hands out is readable.
#include "FormatTestSupport.h"

#include <gtest/gtest.h>

using namespace FormatTest;
using OvrWriter::Bytes;
using OvrWriter::ParticleGroup;

namespace {

// Grid channels in both block forms, packed colour, header records, both particle sections with
// ids, and the particle data chunk with every storage method.
Bytes everyFeatureFile() {
    constexpr int X = 5, Y = 4, Z = 3, V = X * Y * Z;
    OvrWriter::GridDataBuilder grid;
    OvrWriter::QuantOptions options;
    options.bits = 8;
    const std::vector<float> smoke = pattern(V, 1.0f, 1.0f);
    grid.addBlock(0, OvrWriter::encodeChannel1D(smoke.data(), V, options, 25));
    grid.addBlock(2, OvrWriter::zoneTableBlock({{0, OvrWriter::constantZone(30, 1.5f)},
                                                {30, OvrWriter::rawZone(smoke.data(), 30)}}));
    for (int c = 4; c <= 6; ++c) grid.addBlock(c, OvrWriter::constantZone(V, 0.25f * c));
    std::vector<uint32_t> colours(V);
    for (int i = 0; i < V; ++i) colours[i] = 0x102030u * static_cast<uint32_t>(i);
    grid.addBlock(18, OvrWriter::packedColourPayload(colours.data(), V));

    const float m[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0.5f, 0.5f, 0.5f};
    return cacheFile(5, [&](OvrWriter::CacheWriter& w) {
        w.channelFlags(grid.channelFlags());
        w.transform(m);
        w.grid(X, Y, Z, grid.words());
        w.frameNumber(12);
        w.paramBlock(Bytes(16, 3));
        w.doubles10(1.0, 2.0);
        w.word9(5, 0.5f);
        ParticleGroup raw = positionsGroup("raw", 6), packed = positionsGroup("packed", 5);
        raw.kind = FumaraFrameData::PGroup::GridVelocityKind;
        raw.ids = {5, 3, 9, 1, 2, 8};
        packed.channels.push_back(channelOf(2, floatWords(pattern(5))));
        packed.channels[1].quantBits = 8;
        packed.ids = {1, 2, 3, 4, 5};
        w.particles({raw}, false);
        w.particles({raw, packed}, true);
        w.text("notes");
        w.channelRanges({{0, 0.0f, 2.0f}});
        w.channelValues({{1, 7}});
        raw.channels.clear();
        for (int32_t method = 0; method <= 4; ++method)
            raw.channels.push_back(channelOf(11 + method, floatWords(pattern(6, 1.0f + method)), method));
        packed.channels = {channelOf(4, floatWords(pattern(15)), 4), channelOf(9, {1, 2, 3, 4, 5}, 3)};
        w.particleData({raw, packed});
    });
}

// Reads the bytes and touches everything the frame offers; returns the result code.
int readAndUse(const Bytes& bytes) {
    const ReadResult read = importBytes(bytes);
    FumaraFrameData& frame = *read.frame;
    for (int channel = 0; read.code == 0 && channel < 32; ++channel) {
        const float* values = frame.getChannelData(channel);
        if (values && frame.voxelCount() > 0)
            static_cast<void>(*static_cast<const volatile float*>(values + frame.voxelCount() - 1));
    }
    for (int index = 0; read.code == 0 && index < frame.groupCount(); ++index) {
        FumaraFrameData::PGroup& group = *frame.group(index);
        uint8_t value[12];
        for (int channel = 0; channel < 32; ++channel)
            for (int particle = 0; particle < group.count && particle < 64; ++particle)
                group.getParticleValue(particle, channel, value);
        group.findParticleById(3);
    }
    return read.code;
}

// Flips bits firstBit to firstBit + 3 of every byte, and with cuts also cuts the body at every length.
void sweep(int firstBit, bool cuts) {
    const Bytes bytes = everyFeatureFile();
    {
        LogCapture log;
        ASSERT_EQ(readAndUse(bytes), 0);
        ASSERT_EQ(log.text(), "");  // a sound file reads without a complaint
    }
    constexpr size_t footer = 20;
    for (size_t length = 0; cuts && length + footer < bytes.size(); ++length) {
        Bytes cut(bytes.begin(), bytes.begin() + ptrdiff_t(length));
        cut.insert(cut.end(), bytes.end() - footer, bytes.end());
        const int code = readAndUse(cut);
        ASSERT_TRUE(code == 0 || code == 4) << "cut at " << length << ": " << code;
    }
    for (size_t byte = 0; byte < bytes.size(); ++byte) {
        for (int bit = firstBit; bit < firstBit + 4; ++bit) {
            Bytes flipped = bytes;
            flipped[byte] ^= static_cast<uint8_t>(1u << bit);
            const int code = readAndUse(flipped);
            ASSERT_TRUE(code == 0 || code == 3 || code == 4 || code == 12)
                << "byte " << byte << " bit " << bit << ": " << code;
        }
    }
}

// Two halves, so that they run side by side.
TEST(DamagedFileSweep, EveryCutAndEveryFlippedLowBitGivesAResultCode) { sweep(0, true); }
TEST(DamagedFileSweep, EveryFlippedHighBitGivesAResultCode) { sweep(4, false); }

}  // namespace
