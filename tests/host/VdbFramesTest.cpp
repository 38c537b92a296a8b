// OpenVDB frames through the exports and the real vdbbridge plug-in.
#include "tests/host/HostSupport.h"
#include "tests/plugins/vdbfiles/VdbTestFiles.h"

#include <cmath>
#include <fstream>

using VdbTestFiles::TestGrid;

namespace {

float knownValue(int i, int j, int k) { return 0.5f * static_cast<float>(i) - 3.0f * static_cast<float>(j) + 1000.0f * k; }

TestGrid knownGrid(TestGrid::Kind kind, const std::string& name, std::array<int, 3> low, std::array<int, 3> high) {
    TestGrid grid;
    grid.kind = kind;
    grid.name = name;
    grid.low = low;
    grid.high = high;
    grid.value = knownValue;
    grid.voxelSize = 0.25;
    grid.origin = {-1.0, 0.0, 2.0};
    return grid;
}

class VdbFrames : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(2, initalizeOvraLoader(pluginDirectory(), pluginSuffix(), 0)); }
    void TearDown() override { finalizeOvraLoader(); }

    std::string defaultMappings(const std::string& path) {
        char buffer[512];
        EXPECT_EQ(1, ovrGenerateDefaultChannelMappings(buffer, sizeof buffer, path.c_str()));
        return buffer;
    }

    ScratchDirectory scratch_;
};

} // namespace

TEST_F(VdbFrames, KnownValuesImportBackThroughTheDefaultMappings) {
    const std::string path = scratch_.path("smoke.vdb");
    ASSERT_TRUE(VdbTestFiles::writeVdb(path, {knownGrid(TestGrid::Float, "density", {0, 0, 0}, {5, 4, 3}),
                                              knownGrid(TestGrid::Float, "temperature", {0, 0, 0}, {5, 4, 3}),
                                              knownGrid(TestGrid::Vector, "vel", {0, 0, 0}, {5, 4, 3})}));
    EXPECT_EQ("2,density;1,temperature;4,vel.x;5,vel.y;6,vel.z;", defaultMappings(path));

    IOvr* frame = newIOvr(path.c_str());
    ASSERT_NE(nullptr, frame);
    int resolution[3];
    EXPECT_EQ(6, frame->getResolution(resolution));
    EXPECT_EQ(5, resolution[1]);
    EXPECT_EQ(4, resolution[2]);
    const float* density = frame->getChannelData(2);
    const float* temperature = frame->getChannelData(1);
    const float* velocity[3] = {frame->getChannelData(4), frame->getChannelData(5), frame->getChannelData(6)};
    const float* speed = frame->getChannelData(3);
    ASSERT_TRUE(density && temperature && velocity[0] && velocity[1] && velocity[2] && speed);
    int element = 0;
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 6; ++i, ++element) {
                const float v = knownValue(i, j, k);
                ASSERT_EQ(v, density[element]);
                ASSERT_EQ(v, temperature[element]);
                ASSERT_EQ(v, velocity[0][element]);
                ASSERT_EQ(10 * v, velocity[1][element]);
                ASSERT_EQ(100 * v, velocity[2][element]);
                const float vy = 10 * v, vz = 100 * v;
                ASSERT_FLOAT_EQ(std::sqrt(v * v + vy * vy + vz * vz), speed[element]);
            }
    // Voxel (i, j, k) lies at world (i, j, k) * 0.25 + (-1, 0, 2).
    float t[12];
    frame->getTransform(t);
    const float p[3] = {-1.0f + 0.25f * 3, 0.25f * 2, 2.0f + 0.25f * 1};
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR((c == 0 ? 3.0 : c == 1 ? 2.0 : 1.0), p[0] * t[c] + p[1] * t[3 + c] + p[2] * t[6 + c] + t[9 + c], 1e-4);
    deleteIOvr(frame);
}

TEST_F(VdbFrames, ChannelNamesAndFlagsOfAFile) {
    const std::string path = scratch_.path("names.vdb");
    ASSERT_TRUE(VdbTestFiles::writeVdb(path, {knownGrid(TestGrid::Vector, "Cd", {0, 0, 0}, {1, 1, 1}),
                                              knownGrid(TestGrid::Float, "heat", {0, 0, 0}, {1, 1, 1})}));
    const char* names[] = {"Cd.x", "Cd.y", "Cd.z", "heat"};
    const int flags[] = {1, 1, 1, 0};
    for (int index = 0; index < 4; ++index) {
        char name[16];
        int flag = -1;
        EXPECT_EQ(1, ovrGet3rdPartyChannelName(name, sizeof name, &flag, path.c_str(), index));
        EXPECT_STREQ(names[index], name);
        EXPECT_EQ(flags[index], flag);
    }
    char small[3];
    int flag = -1;
    EXPECT_EQ(0, ovrGet3rdPartyChannelName(small, sizeof small, &flag, path.c_str(), 3));
    EXPECT_STREQ("he", small);
    EXPECT_EQ(-1, ovrGet3rdPartyChannelName(small, sizeof small, &flag, path.c_str(), 4));
    // The colour components have their rows; the unmatched scalar grid becomes smoke.
    EXPECT_EQ("7,Cd.x;8,Cd.y;9,Cd.z;2,heat;", defaultMappings(path));
}

TEST_F(VdbFrames, ChannelsOfAFrameSequenceAreListedOnce) {
    ASSERT_TRUE(VdbTestFiles::writeVdb(scratch_.path("seq_0001.vdb"),
                                       {knownGrid(TestGrid::Float, "density", {0, 0, 0}, {1, 1, 1})}));
    ASSERT_TRUE(VdbTestFiles::writeVdb(scratch_.path("seq_0002.vdb"),
                                       {knownGrid(TestGrid::Float, "density", {0, 0, 0}, {1, 1, 1}),
                                        knownGrid(TestGrid::Float, "fuel", {0, 0, 0}, {1, 1, 1})}));
    const std::string mappings = defaultMappings(scratch_.root() + "/seq_####.vdb");
    EXPECT_TRUE(mappings == "2,density;10,fuel;" || mappings == "10,fuel;2,density;") << mappings;
}

TEST_F(VdbFrames, VoxelLimitReducesTheGrid) {
    const std::string path = scratch_.path("big.vdb");
    TestGrid grid = knownGrid(TestGrid::Float, "density", {0, 0, 0}, {7, 7, 7});
    grid.value = [](int i, int, int) { return static_cast<float>(i); };
    ASSERT_TRUE(VdbTestFiles::writeVdb(path, {grid}));
    IOvr* frame = newIOvrMaxVox(path.c_str(), 64, false);
    ASSERT_NE(nullptr, frame);
    int resolution[3];
    EXPECT_EQ(4, frame->getResolution(resolution));
    EXPECT_EQ(4, resolution[2]);
    // Voxel x averages source x = 2x and 2x + 1.
    EXPECT_EQ(0.5f, frame->getChannelData(2)[0]);
    EXPECT_EQ(6.5f, frame->getChannelData(2)[3]);
    IOvr* header = newIOvrMaxVox(path.c_str(), 64, true);
    ASSERT_NE(nullptr, header);
    EXPECT_EQ(4, header->getResolution(resolution));
    EXPECT_EQ(1, header->hasChannel(2));
    EXPECT_EQ(nullptr, header->getChannelData(2));
    deleteIOvr(frame);
    deleteIOvr(header);
}

TEST_F(VdbFrames, IncompleteVelocityIsDroppedAndMissingMappingsFail) {
    const std::string path = scratch_.path("partial.vdb");
    ASSERT_TRUE(VdbTestFiles::writeVdb(path, {knownGrid(TestGrid::Float, "density", {0, 0, 0}, {1, 1, 1}),
                                              knownGrid(TestGrid::Vector, "vel", {0, 0, 0}, {1, 1, 1})}));
    IOvr* frame = newIOvrWithChannelsMapping(path.c_str(), "2,density;4,vel.x;5,vel.y;");
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(1, frame->hasChannel(2));
    for (int channel = 3; channel <= 6; ++channel) {
        EXPECT_EQ(0, frame->hasChannel(channel));
        EXPECT_EQ(nullptr, frame->getChannelData(channel));
    }
    deleteIOvr(frame);

    EXPECT_EQ(nullptr, newIOvrWithChannelsMapping(path.c_str(), ""));
    EXPECT_EQ(nullptr, newIOvrWithChannelsMapping(path.c_str(), "2,smoke;"));
    EXPECT_EQ(nullptr, newIOvr(scratch_.path("missing.vdb").c_str()));
}

TEST_F(VdbFrames, ImportedFramesAreSharedLikeCacheFrames) {
    const std::string path = scratch_.path("shared.VDB");
    ASSERT_TRUE(VdbTestFiles::writeVdb(path, {knownGrid(TestGrid::Float, "Smoke_fmr", {0, 0, 0}, {1, 1, 1})}));
    IOvr* first = newIOvr(path.c_str());
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, newIOvr(path.c_str()));
    deleteIOvr(first);
    deleteIOvr(first);
}

TEST_F(VdbFrames, Field3DFilesNeedTheirAbsentPlugin) {
    const std::string path = scratch_.path("smoke.f3d");
    std::ofstream(path) << "density 0\n";
    EXPECT_EQ(nullptr, newIOvrWithChannelsMapping(path.c_str(), "2,density;"));
    char name[8];
    EXPECT_EQ(-1, ovrGet3rdPartyChannelName(name, sizeof name, nullptr, path.c_str(), 0));
}
