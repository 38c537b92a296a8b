// ovrsynth: the plume model, the frames it encodes, and the program's command line.
#include "tests/tools/LittleEndian.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include "compression/SGCompressor.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

using namespace OvrWriter;
using namespace OvrWriterTest;
using namespace OvrSynth;

namespace {

// The highest y layer holding any smoke, or -1.
int32_t topSmokeLayer(const GridFields& g) {
    const int32_t n = g.resolution;
    for (int32_t j = n - 1; j >= 0; --j)
        for (int32_t k = 0; k < n; ++k)
            for (int32_t i = 0; i < n; ++i)
                if (g.smoke[size_t(i + n * (j + n * k))] > 0.0f) return j;
    return -1;
}

TEST(PlumeModel, SmokeRisesAndEveryFieldIsPlausible) {
    PlumeSettings s;
    s.resolution = 24;
    GridFields early, late;
    computeGrid(s, 3, early);
    computeGrid(s, 40, late);
    EXPECT_GT(topSmokeLayer(early), 0);
    EXPECT_GT(topSmokeLayer(late), topSmokeLayer(early) + 5);
    EXPECT_LT(topSmokeLayer(early), s.resolution / 2);
    for (size_t v = 0; v < late.smoke.size(); ++v) {
        ASSERT_GE(late.smoke[v], 0.0f);
        ASSERT_GE(late.temperature[v], 0.0f);
        ASSERT_GE(late.fuel[v], 0.0f);
        ASSERT_GE(late.velocityY[v], 0.0f);
        ASSERT_EQ(late.smoke[v] == 0.0f, late.colour[v] == 0u) << v;
        ASSERT_EQ(late.colour[v] >> 24, 0u);
    }
    // Hot at the source, cooler on top; the column swirls (sideways velocity inside the plume).
    const int32_t n = s.resolution, c = n / 2;
    EXPECT_GT(late.temperature[size_t(c + n * (1 + n * c))], late.temperature[size_t(c + n * (n / 2 + n * c))]);
    const float sideways = *std::max_element(late.velocityX.begin(), late.velocityX.end());
    EXPECT_GT(sideways, 0.1f);
}

TEST(PlumeModel, ParticlesHaveAscendingIdsAndStayInTheGrid) {
    PlumeSettings s;
    s.resolution = 32;
    s.particlesPerFrame = 10;
    EXPECT_EQ(computeParticles(s, 0).count(), 10);
    EXPECT_EQ(computeParticles(s, 9).count(), 100);
    const ParticleSet p = computeParticles(s, 200);
    EXPECT_EQ(p.count(), 360); // the lifetime caps the population
    EXPECT_TRUE(std::is_sorted(p.ids.begin(), p.ids.end()));
    EXPECT_EQ(std::adjacent_find(p.ids.begin(), p.ids.end()), p.ids.end());
    ASSERT_EQ(p.positions.size(), size_t(p.count()) * 3);
    ASSERT_EQ(p.velocities.size(), size_t(p.count()) * 3);
    for (float x : p.positions) {
        ASSERT_GE(x, 0.0f);
        ASSERT_LE(x, 32.0f);
    }
    EXPECT_EQ(computeParticles(s, -4).count(), 0);
}

struct ParsedFrame {
    int32_t version = 0;
    std::map<int32_t, size_t> records; // tag -> payload offset
    std::vector<int32_t> chunkIds;
    int32_t resolution[3] = {};
    std::vector<uint32_t> gridWords;
};

// Walks the records and chunks that ovrsynth writes.
ParsedFrame parseFrame(const Bytes& b) {
    ParsedFrame f;
    EXPECT_EQ(textAt(b, 0, 4), "OVRA");
    EXPECT_EQ(textAt(b, b.size() - 8, 8), "OVRA2FMR");
    f.version = i32At(b, b.size() - 12);
    const bool wide = f.version >= 4;
    const int64_t dataOffset = wide ? i64At(b, b.size() - 20) : i32At(b, b.size() - 16);
    size_t at = 4;
    const std::map<int32_t, size_t> fixedLengths = {{1, 4}, {2, 48}, {4, 4}, {5, 4}};
    while (int64_t(at) < dataOffset) {
        const int32_t tag = i32At(b, at);
        f.records[tag] = at + 4;
        if (tag == 3) {
            for (int a = 0; a < 3; ++a) f.resolution[a] = i32At(b, at + 4 + 4 * a);
            const int32_t w = i32At(b, at + 16);
            for (int32_t i = 0; i < w; ++i) f.gridWords.push_back(u32At(b, at + 20 + 4 * size_t(i)));
            at += 20 + 4 * size_t(w);
        } else {
            EXPECT_TRUE(fixedLengths.count(tag)) << tag;
            if (!fixedLengths.count(tag)) break;
            at += 4 + fixedLengths.at(tag);
        }
    }
    EXPECT_EQ(int64_t(at), dataOffset);
    at = size_t(dataOffset) + 4;
    while (at + 4 <= b.size()) {
        const int32_t id = i32At(b, at);
        f.chunkIds.push_back(id);
        if (id == ChunkId::End) break;
        at += (wide ? 12 + size_t(i64At(b, at + 4)) : 8 + size_t(i32At(b, at + 4)));
    }
    EXPECT_EQ(at + 4 + (wide ? 20 : 16), b.size());
    return f;
}

// The decoded block of one grid channel.
template <int N>
std::vector<float> decodeGridChannel(const ParsedFrame& f, int32_t channel) {
    const int64_t voxels = int64_t(f.resolution[0]) * f.resolution[1] * f.resolution[2];
    std::vector<float> out(size_t(voxels) + 4);
    for (size_t i = 0; i + 1 < f.gridWords.size(); i += 2 + f.gridWords[i + 1]) {
        if (int32_t(f.gridWords[i]) != channel) continue;
        FMRUtils::SGCompressor<N> codec;
        EXPECT_EQ(codec.Decompress(&f.gridWords[i + 2], int64_t(f.gridWords[i + 1]) * 4, out.data(), voxels), 1);
        out.resize(size_t(voxels));
        return out;
    }
    ADD_FAILURE() << "no block for channel " << channel;
    return {};
}

TEST(PlumeFrames, FrameHoldsRecordsChunksAndDecodableChannels) {
    FrameOptions o;
    o.plume.resolution = 20;
    o.plume.particlesPerFrame = 6;
    GridFields fields;
    computeGrid(o.plume, 8, fields);
    for (int32_t version : {3, 4, 5}) {
        SCOPED_TRACE(version);
        o.version = version;
        const Bytes b = buildPlumeFrame(o, 8);
        const ParsedFrame f = parseFrame(b);
        EXPECT_EQ(f.version, version);
        ASSERT_EQ(f.records.size(), 5u);
        EXPECT_EQ(u32At(b, f.records.at(1)), (1u << 1) | (1u << 2) | (1u << 4) | (1u << 5) | (1u << 6) | (1u << 10) | (1u << 18));
        EXPECT_EQ(i32At(b, f.records.at(4)), 8);
        EXPECT_EQ(f32At(b, f.records.at(2)), 5.0f); // 20 voxels over 4 world units
        EXPECT_EQ(f.resolution[0], 20);
        EXPECT_EQ(f.chunkIds, (std::vector<int32_t>{ChunkId::Text, ChunkId::ParticleData, ChunkId::ChannelRanges,
                                                     ChunkId::ParticleDirectory, ChunkId::End}));
        const std::vector<float> smoke = version >= 5 ? decodeGridChannel<1>(f, 2) : decodeGridChannel<3>(f, 2);
        ASSERT_EQ(smoke.size(), fields.smoke.size());
        const float maxSmoke = *std::max_element(fields.smoke.begin(), fields.smoke.end());
        for (size_t v = 0; v < smoke.size(); ++v) ASSERT_NEAR(smoke[v], fields.smoke[v], maxSmoke / 65536.0f) << v;
    }
}

// --- the program ---------------------------------------------------------------------------

std::string tempDirectory() {
    std::string pattern = ::testing::TempDir() + "ovrsynth_XXXXXX";
    EXPECT_NE(mkdtemp(&pattern[0]), nullptr);
    return pattern;
}

int runSynth(const std::string& arguments, const std::string& outputFile = "/dev/null") {
    const std::string command = std::string(OVRSYNTH_PROGRAM) + " " + arguments + " >" + outputFile + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

TEST(OvrSynthProgram, WritesTheRequestedFramesDeterministically) {
    const std::string dir = tempDirectory();
    ASSERT_EQ(runSynth("-res 12 -frames 3 -start 5 -quiet -out " + dir + "/p_####.ovr"), 0);
    ASSERT_EQ(runSynth("-start 5 -res 12 -frames 3 -out " + dir + "/q%03d.ovr"), 0);
    EXPECT_FALSE(exists(dir + "/p_0004.ovr"));
    EXPECT_FALSE(exists(dir + "/p_0008.ovr"));
    FrameOptions o;
    o.plume.resolution = 12;
    o.plume.particlesPerFrame = 12 * 12 / 32; // the default
    Bytes previous;
    for (int32_t frame = 5; frame <= 7; ++frame) {
        SCOPED_TRACE(frame);
        const std::string number = std::to_string(frame);
        const Bytes p = readFile(dir + "/p_000" + number + ".ovr");
        EXPECT_EQ(p, buildPlumeFrame(o, frame));
        EXPECT_EQ(readFile(dir + "/q00" + number + ".ovr"), p);
        EXPECT_NE(p, previous);
        previous = p;
        std::remove((dir + "/p_000" + number + ".ovr").c_str());
        std::remove((dir + "/q00" + number + ".ovr").c_str());
    }
    rmdir(dir.c_str());
}

TEST(OvrSynthProgram, OptionsChangeTheFrames) {
    const std::string dir = tempDirectory();
    const std::string out = dir + "/f.ovr";
    ASSERT_EQ(runSynth("-res 10 -frames 1 -start 2 -particles 3 -bits 20 -version 4 -quiet -out " + out), 0);
    FrameOptions o;
    o.plume.resolution = 10;
    o.plume.particlesPerFrame = 3;
    o.quantBits = 20;
    o.version = 4;
    EXPECT_EQ(readFile(out), buildPlumeFrame(o, 2));
    std::remove(out.c_str());
    rmdir(dir.c_str());
}

TEST(OvrSynthProgram, RejectsBadArgumentsWithTheUsageText) {
    const std::string dir = tempDirectory();
    const std::string log = dir + "/log.txt";
    EXPECT_EQ(runSynth("-help", log), 0);
    const Bytes help = readFile(log);
    EXPECT_NE(std::string(help.begin(), help.end()).find("Usage: ovrsynth"), std::string::npos);
    for (const char* bad : {"-res 1", "-res 12x", "-frames 0", "-bogus", "-res", "-bits 21",
                            "-frames 2 -out plain.ovr",
                            "-frames 2 -out dir_##/plain.ovr", "-start 2147483647 -frames 2"}) {
        EXPECT_EQ(runSynth(bad, log), 2) << bad;
        const Bytes text = readFile(log);
        EXPECT_NE(std::string(text.begin(), text.end()).find("Usage: ovrsynth"), std::string::npos) << bad;
    }
    EXPECT_EQ(runSynth("-res 4 -frames 1 -out " + dir + "/missing/f_#.ovr"), 1);
    std::remove(log.c_str());
    rmdir(dir.c_str());
}

} // namespace
