// ovrinfo run as a process on frames written for the purpose: what it prints about a frame, the
// statistics it measures, the frames a pattern finds, and how it reports files and channels that
// cannot be read.
#include "loader/api/IOvr.h"
#include "tools/cachewriter/CacheWriter.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace OvrWriter;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    std::string out;
    std::string err;
    int status = -1;
};

std::string quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> tokensOf(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> tokens;
    for (std::string token; in >> token;) tokens.push_back(token);
    return tokens;
}

// The lines of a report section: after the line holding `from` up to the line holding `to`.
std::vector<std::string> section(const std::string& out, const std::string& from, const std::string& to) {
    std::vector<std::string> lines;
    bool inside = false;
    for (const std::string& line : linesOf(out)) {
        if (inside && line.find(to) != std::string::npos) break;
        if (inside) lines.push_back(line);
        if (line.find(from) != std::string::npos) inside = true;
    }
    return lines;
}

// The grid channel table's row of a channel, or empty.
std::string gridRow(const std::string& out, int channel) {
    for (const std::string& line : section(out, "Grid channels", "Particles")) {
        const std::vector<std::string> tokens = tokensOf(line);
        if (!tokens.empty() && tokens[0] == std::to_string(channel)) return line;
    }
    return "";
}

struct Stats {
    double minimum = 0, maximum = 0, mean = 0;
};

template <class Read>
Stats statsOf(int64_t count, Read read) {
    Stats s{HUGE_VAL, -HUGE_VAL, 0.0};
    double sum = 0.0;
    for (int64_t i = 0; i < count; ++i) {
        const double v = read(i);
        s.minimum = std::min(s.minimum, v);
        s.maximum = std::max(s.maximum, v);
        sum += v;
    }
    s.mean = sum / double(count);
    return s;
}

// The last three numbers of a row: min, max and mean as printed.
Stats printedStats(const std::string& row) {
    const std::vector<std::string> tokens = tokensOf(row);
    Stats s;
    if (tokens.size() < 3) {
        ADD_FAILURE() << "no statistics in: " << row;
        return s;
    }
    s.minimum = std::stod(tokens[tokens.size() - 3]);
    s.maximum = std::stod(tokens[tokens.size() - 2]);
    s.mean = std::stod(tokens[tokens.size() - 1]);
    return s;
}

// Printed with six significant digits.
void expectPrinted(const Stats& printed, const Stats& expected) {
    for (auto field : {&Stats::minimum, &Stats::maximum, &Stats::mean})
        EXPECT_NEAR(printed.*field, expected.*field, 1e-5 * std::fabs(expected.*field) + 1e-30);
}

Bytes rawGridChannel(const std::vector<float>& values) {
    QuantOptions raw;
    raw.bits = 20;  // raw floats: decoded exactly
    return encodeChannel1D(values.data(), int64_t(values.size()), raw);
}

std::vector<uint32_t> floatWords(const std::vector<float>& values) {
    std::vector<uint32_t> words(values.size());
    std::memcpy(words.data(), values.data(), values.size() * 4);
    return words;
}

class OvrInfoProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("ovrinfo_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    ProgramRun run(const std::vector<std::string>& args) const {
        const fs::path errFile = dir / "stderr.txt";
        std::string command = quoted(OVRINFO_PROGRAM);
        for (const std::string& a : args) command += " " + quoted(a);
        command += " 2>" + quoted(errFile.string());
        ProgramRun result;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return result;
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
        const int raw = pclose(pipe);
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.err = readText(errFile);
        return result;
    }

    void writePlume(const std::string& name, int frame, int resolution = 12) const {
        OvrSynth::FrameOptions options;
        options.plume.resolution = resolution;
        options.plume.particlesPerFrame = 6;
        ASSERT_TRUE(writeBytes(path(name), OvrSynth::buildPlumeFrame(options, frame)));
    }

    fs::path dir;
};

// A 3 x 4 x 5 frame of version 4 with smoke and fuel, recorded ranges, a scaled and moved grid,
// a particle group with positions and one without.
TEST_F(OvrInfoProgram, PrintsTheFrameDescription) {
    std::vector<float> smoke(60), fuel(60);
    for (size_t v = 0; v < smoke.size(); ++v) {
        smoke[v] = float(v) / 59.0f;
        fuel[v] = 0.25f;
    }
    GridDataBuilder grid;
    grid.addBlock(2, rawGridChannel(smoke));
    grid.addBlock(10, rawGridChannel(fuel));
    CacheWriter file(4);
    file.channelFlags(grid.channelFlags());
    const float transform[12] = {2, 0, 0, 0, 2, 0, 0, 0, 2, 4, 6, 8};  // voxel size 0.5, origin (-2, -3, -4)
    file.transform(transform);
    file.frameNumber(41);
    file.grid(3, 4, 5, grid.words());
    ParticleGroup sparks;
    sparks.name = "sparks";
    sparks.count = 2;
    sparks.channels.push_back({0, floatWords({0.5f, 1, 1.5f, 2, 2.5f, 3}), 0, 0, {}, {}, {}});
    ParticleGroup ghost;
    ghost.name = "ghost";
    ghost.count = 3;
    ghost.channels.push_back({2, floatWords({1, 2, 3}), 0, 0, {}, {}, {}});
    file.particles({sparks, ghost}, false);
    file.channelRanges({{2, -1.5f, 2.25f}, {10, 0.25f, 0.25f}});
    ASSERT_TRUE(file.save(path("shot_0042.ovr")));

    const ProgramRun r = run({path("shot_0042.ovr")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_THAT(r.out, HasSubstr("version 4"));
    EXPECT_THAT(r.out, HasSubstr("Frame         41 (the file name says 42)"));
    EXPECT_THAT(r.out, HasSubstr("Resolution    3 x 4 x 5 (60 voxels)"));
    EXPECT_THAT(r.out, HasSubstr("voxel size 0.5, voxel (0, 0, 0) at world (-2, -3, -4)"));

    const std::vector<std::string> smokeRow = tokensOf(gridRow(r.out, 2));
    EXPECT_EQ(smokeRow, (std::vector<std::string>{"2", "Smoke_fmr", "smoke", "stored", "-1.5", "..", "2.25"}));
    EXPECT_THAT(gridRow(r.out, 10), HasSubstr("Fuel_fmr"));
    EXPECT_THAT(gridRow(r.out, 10), HasSubstr("0.25 .. 0.25"));
    for (int absent : {0, 1, 3, 4, 7, 18}) EXPECT_EQ(gridRow(r.out, absent), "") << absent;
    // Without -stats nothing is expanded.
    EXPECT_THAT(r.out, Not(HasSubstr("Mean")));

    EXPECT_THAT(r.out, HasSubstr("Particles     2 groups, 5 particles"));
    EXPECT_THAT(tokensOf(section(r.out, "Particles", "\x01").at(1)),
                (std::vector<std::string>{"sparks", "2", "0", "0", "position"}));
    EXPECT_THAT(section(r.out, "Particles", "\x01").at(2), HasSubstr("ghost"));
    EXPECT_THAT(section(r.out, "Particles", "\x01").at(2), HasSubstr("no positions"));
}

// The statistics of every grid channel, derived ones included, and of the particle positions are
// those of the values that the frame gives through IOvr.
TEST_F(OvrInfoProgram, StatsMatchTheFrameReadThroughIOvr) {
    writePlume("plume_0030.ovr", 30, 14);
    const ProgramRun r = run({"-stats", path("plume_0030.ovr")});
    ASSERT_EQ(r.status, 0) << r.err;

    IOvr* frame = newIOvr(path("plume_0030.ovr").c_str());
    ASSERT_NE(frame, nullptr);
    int resolution[3];
    frame->getResolution(resolution);
    const int64_t voxels = int64_t(resolution[0]) * resolution[1] * resolution[2];
    for (int channel : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) {
        SCOPED_TRACE(channel);
        const float* values = frame->getChannelData(channel);
        ASSERT_NE(values, nullptr);
        expectPrinted(printedStats(gridRow(r.out, channel)), statsOf(voxels, [&](int64_t v) { return values[v]; }));
    }
    // The packed colour is only read as channels 7 to 9.
    EXPECT_THAT(gridRow(r.out, 18), Not(HasSubstr("FAILED")));

    IFumaraPrtGroup* group = frame->findParticleGroup("plume");
    ASSERT_NE(group, nullptr);
    ASSERT_GT(group->getCount(), 1);
    const std::vector<std::string> rows = section(r.out, "Particle values", "\x01");
    ASSERT_GE(rows.size(), 4u);
    for (int axis = 0; axis < 3; ++axis) {
        SCOPED_TRACE(axis);
        const Stats expected = statsOf(group->getCount(), [&](int64_t p) {
            float position[3];
            EXPECT_EQ(group->getParticleValue(int(p), 0, position), 1);
            return position[axis];
        });
        expectPrinted(printedStats(rows[size_t(1 + axis)]), expected);
    }
    deleteIOvr(frame);

    // Worker threads decode the same values.
    const ProgramRun threaded = run({"-stats", "-threads", "2", path("plume_0030.ovr")});
    EXPECT_EQ(threaded.status, 0);
    EXPECT_EQ(threaded.out, r.out);
}

TEST_F(OvrInfoProgram, PatternListsEveryFrameInFrameOrder) {
    for (int frame : {12, 3, 10, 9}) writePlume("plume_" + std::string(frame < 10 ? "000" : "00") + std::to_string(frame) + ".ovr", frame);
    writePlume("plume_backup.ovr", 1);
    writePlume("other_0005.ovr", 5);

    const ProgramRun r = run({path("plume_####.ovr")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("plume_####.ovr: 4 frames, 3 to 12\n  missing frames: 4-8, 11\n"));
    std::vector<std::string> listed;
    for (const std::string& line : linesOf(r.out))
        if (line.size() > 4 && line.compare(line.size() - 4, 4, ".ovr") == 0) listed.push_back(fs::path(line).filename());
    EXPECT_EQ(listed, (std::vector<std::string>{"plume_0003.ovr", "plume_0009.ovr", "plume_0010.ovr", "plume_0012.ovr"}));
    EXPECT_THAT(r.out, HasSubstr("\n4 frames, 0 failed\n"));

    // Cache frames numbered without padding are found when no padded name matches.
    writePlume("loose_7.ovr", 7);
    writePlume("loose_8.ovr", 8);
    const ProgramRun loose = run({path("loose_####.ovr")});
    EXPECT_EQ(loose.status, 0) << loose.err;
    EXPECT_THAT(loose.out, HasSubstr("loose_####.ovr: 2 frames, 7 to 8\n"));

    // A single matching file is checked against the pattern like any other.
    const ProgramRun single = run({path("other_%02d.ovr")});
    EXPECT_EQ(single.status, 1);
    EXPECT_THAT(single.err, HasSubstr("no frame files match"));
}

TEST_F(OvrInfoProgram, FilesThatDoNotLoadFailWithTheLoaderReason) {
    writePlume("good.ovr", 2);
    // Frames without grid or particles: one without its footer, one whose chunks never end.
    for (const bool footer : {false, true}) {
        CacheWriter file;
        file.channelFlags(0);
        file.setWriteFooter(footer);
        file.setWriteChunkEnd(!footer);
        ASSERT_TRUE(file.save(path(footer ? "broken.ovr" : "nofooter.ovr")));
    }

    const ProgramRun missing = run({path("absent.ovr")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.err, HasSubstr("cannot load " + path("absent.ovr")));
    EXPECT_THAT(missing.err, HasSubstr("(code 3): no such file"));

    const ProgramRun footer = run({path("nofooter.ovr")});
    EXPECT_EQ(footer.status, 1);
    EXPECT_THAT(footer.err, HasSubstr("(code 12)"));
    EXPECT_THAT(footer.err, HasSubstr("ovrinfo:   Failed reading the ovra2 file footer!\n"));

    const ProgramRun mixed = run({path("good.ovr"), path("broken.ovr")});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_THAT(mixed.out, HasSubstr("Resolution    12 x 12 x 12"));
    EXPECT_THAT(mixed.out, HasSubstr("2 frames, 1 failed"));
    // The reader's own reason comes first, then its summary line.
    const std::string cannotLoad = "ovrinfo: cannot load " + path("broken.ovr") + ": broken file (code 4)\n";
    const std::string summaryLine = "ovrinfo:   FumaraFrameData::ImportOvr broken file. File is: " + path("broken.ovr") + "\n";
    EXPECT_THAT(mixed.err, HasSubstr(cannotLoad));
    EXPECT_THAT(mixed.err, HasSubstr(summaryLine));
    EXPECT_GT(mixed.err.find(summaryLine), mixed.err.find(cannotLoad) + cannotLoad.size());
    EXPECT_THAT(mixed.err, Not(HasSubstr("good.ovr")));
}

// Data that only breaks when it is decoded: the frame loads, and -stats names the channels.
TEST_F(OvrInfoProgram, ChannelsThatFailToDecodeAreReported) {
    const std::vector<float> smoke(24, 0.5f);
    GridDataBuilder grid;
    grid.addBlock(2, rawGridChannel(smoke));
    grid.addBlock(10, Bytes(64, 0xA5));
    CacheWriter file;
    file.channelFlags(grid.channelFlags());
    file.grid(2, 3, 4, grid.words());
    ParticleGroup group;
    group.name = "dust";
    group.count = 2;
    group.channels.push_back({0, floatWords({1, 2, 3, 4, 5, 6}), 0, 0, {}, {}, {}});
    group.channels.push_back({1, floatWords({1, 2, 3, 4, 5, 6}), 1, 0, Bytes(16, 0x5A), {}, {}});
    file.particleData({group});
    ASSERT_TRUE(file.save(path("bad.ovr")));

    // Without -stats neither the grid nor the particle data chunk is read.
    const ProgramRun plain = run({path("bad.ovr")});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.err, "");
    EXPECT_THAT(plain.out, HasSubstr("Particles     none listed"));

    const ProgramRun r = run({"-stats", path("bad.ovr")});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(gridRow(r.out, 10), HasSubstr("FAILED"));
    expectPrinted(printedStats(gridRow(r.out, 2)), {0.5, 0.5, 0.5});
    EXPECT_THAT(r.err, HasSubstr("grid channel 10 (Fuel_fmr) failed to decode\novrinfo:   Invalid cache file!!!\n"));
    EXPECT_THAT(r.err, Not(HasSubstr("grid channel 2 ")));
    EXPECT_THAT(r.err, HasSubstr("particle channel 1 of group \"dust\" failed to decode (0 of 2 particles read)\n"));
    EXPECT_THAT(r.err, HasSubstr("ovrinfo:   Error decompressing particle channel 1 with method 1\n"));
    EXPECT_THAT(r.err, Not(HasSubstr("particle channel 0")));
}

TEST_F(OvrInfoProgram, CommandLine) {
    const ProgramRun help = run({"-help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("Usage: ovrinfo"));
    EXPECT_THAT(help.out, HasSubstr("-stats"));

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{}, {"-bogus", "x.ovr"}, {"x.ovr", "-threads"}, {"-threads", "many", "x.ovr"}}) {
        const ProgramRun r = run(bad);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(bad);
        EXPECT_THAT(r.err, HasSubstr("Usage: ovrinfo"));
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
