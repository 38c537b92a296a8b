#include "plugins/vdbbridge/VdbVolume.h"
#include "tests/plugins/vdbfiles/VdbTestFiles.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>

using VdbBridge::ChannelRequest;
using VdbTestFiles::TestGrid;

namespace {

// A frame in plain containers.
class RecordingTarget final : public VdbBridge::FrameTarget {
public:
    void setLayout(const int32_t res[3], const float worldToGrid[12]) override {
        for (int i = 0; i < 3; ++i) resolution[i] = res[i];
        for (int i = 0; i < 12; ++i) transform[i] = worldToGrid[i];
        ++layouts;
    }
    float* channelStorage(int channel) override {
        std::vector<float>& values = channels[channel];
        values.assign(static_cast<size_t>(resolution[0]) * resolution[1] * resolution[2], -12345.0f);
        return values.data();
    }
    void markChannel(int channel) override { marked.insert(channel); }

    float at(int channel, int x, int y, int z) const {
        return channels.at(channel)[static_cast<size_t>(x + resolution[0] * (y + resolution[1] * z))];
    }
    // The frame grid coordinates of a world position: p * A + o.
    std::array<double, 3> toGrid(double px, double py, double pz) const {
        std::array<double, 3> g;
        for (int c = 0; c < 3; ++c) g[c] = px * transform[c] + py * transform[3 + c] + pz * transform[6 + c] + transform[9 + c];
        return g;
    }

    int32_t resolution[3] = {-1, -1, -1};
    float transform[12] = {};
    int layouts = 0;
    std::map<int, std::vector<float>> channels;
    std::set<int> marked;
};

class VdbVolumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(VdbBridge::initializeVolumeLibrary());
        char pattern[] = "/tmp/vdbvolume_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override {
        for (const std::string& file : files_) std::remove(file.c_str());
        rmdir(dir_.c_str());
    }
    std::string write(const std::string& name, const std::vector<TestGrid>& grids) {
        const std::string path = dir_ + "/" + name;
        EXPECT_TRUE(VdbTestFiles::writeVdb(path, grids));
        files_.push_back(path);
        return path;
    }
    std::string writeText(const std::string& name, const std::string& text) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path) << text;
        files_.push_back(path);
        return path;
    }

    std::string dir_;
    std::vector<std::string> files_;
};

TestGrid floatGrid(const std::string& name, std::array<int, 3> low, std::array<int, 3> high) {
    TestGrid grid;
    grid.name = name;
    grid.low = low;
    grid.high = high;
    grid.value = [](int i, int j, int k) { return static_cast<float>(i + 10 * j + 100 * k); };
    return grid;
}

float expectedValue(int i, int j, int k) { return static_cast<float>(i + 10 * j + 100 * k); }

} // namespace

TEST_F(VdbVolumeTest, ListsFloatGridsAndVectorComponentsInNameOrder) {
    TestGrid vector = floatGrid("vel", {0, 0, 0}, {1, 1, 1});
    vector.kind = TestGrid::Vector;
    TestGrid integer = floatGrid("flags", {0, 0, 0}, {1, 1, 1});
    integer.kind = TestGrid::Int32;
    const std::string path = write("list.vdb", {floatGrid("temperature", {0, 0, 0}, {0, 0, 0}), vector, integer,
                                                floatGrid("density", {0, 0, 0}, {1, 1, 1})});
    std::vector<VdbBridge::VolumeChannel> channels;
    ASSERT_TRUE(VdbBridge::listVolumeChannels(path.c_str(), channels));
    const std::vector<std::pair<std::string, bool>> expected = {
        {"density", false}, {"temperature", false}, {"vel.x", true}, {"vel.y", true}, {"vel.z", true}};
    ASSERT_EQ(expected.size(), channels.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].first, channels[i].name);
        EXPECT_EQ(expected[i].second, channels[i].vectorComponent);
    }
}

TEST_F(VdbVolumeTest, ListingUnreadableFilesAddsNothing) {
    std::vector<VdbBridge::VolumeChannel> channels(1);
    EXPECT_FALSE(VdbBridge::listVolumeChannels((dir_ + "/missing.vdb").c_str(), channels));
    EXPECT_FALSE(VdbBridge::listVolumeChannels(writeText("text.vdb", "density 0\n").c_str(), channels));
    EXPECT_FALSE(VdbBridge::listVolumeChannels(nullptr, channels));
    EXPECT_EQ(1u, channels.size());
}

TEST_F(VdbVolumeTest, ImportSpansTheUnionOfTheActiveBoxesWithExactValues) {
    TestGrid density = floatGrid("density", {1, 2, 0}, {4, 3, 2});
    density.voxelSize = 0.5;
    density.origin = {1.0, 2.0, 3.0};
    TestGrid temperature = floatGrid("temperature", {0, 0, 1}, {2, 1, 5});
    temperature.voxelSize = 0.5;
    temperature.origin = {1.0, 2.0, 3.0};
    temperature.background = 7.5f;
    const std::string path = write("union.vdb", {density, temperature});

    RecordingTarget frame;
    ASSERT_EQ(VdbBridge::ImportSucceeded,
              VdbBridge::importVolume(path.c_str(), {{"density", 2, 1.0f}, {"temperature", 1, 1.0f}}, false, -1, frame));
    EXPECT_EQ(1, frame.layouts);
    EXPECT_EQ(5, frame.resolution[0]);
    EXPECT_EQ(4, frame.resolution[1]);
    EXPECT_EQ(6, frame.resolution[2]);
    for (int z = 0; z < 6; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                const bool inDensity = x >= 1 && x <= 4 && y >= 2 && y <= 3 && z <= 2;
                const bool inTemperature = x <= 2 && y <= 1 && z >= 1;
                EXPECT_EQ(inDensity ? expectedValue(x, y, z) : 0.0f, frame.at(2, x, y, z));
                EXPECT_EQ(inTemperature ? expectedValue(x, y, z) : 7.5f, frame.at(1, x, y, z));
            }
    // The world position of index (3, 1, 4) is (3, 1, 4) * 0.5 + origin.
    const std::array<double, 3> grid = frame.toGrid(2.5, 2.5, 5.0);
    EXPECT_NEAR(3.0, grid[0], 1e-5);
    EXPECT_NEAR(1.0, grid[1], 1e-5);
    EXPECT_NEAR(4.0, grid[2], 1e-5);
}

TEST_F(VdbVolumeTest, ImportShiftsTheGridToTheBoxOrigin) {
    const std::string path = write("shift.vdb", {floatGrid("density", {-3, 5, 10}, {-2, 6, 10})});
    RecordingTarget frame;
    ASSERT_EQ(0, VdbBridge::importVolume(path.c_str(), {{"density", 2, 1.0f}}, false, -1, frame));
    EXPECT_EQ(2, frame.resolution[0]);
    EXPECT_EQ(expectedValue(-3, 5, 10), frame.at(2, 0, 0, 0));
    EXPECT_EQ(expectedValue(-2, 6, 10), frame.at(2, 1, 1, 0));
    const std::array<double, 3> grid = frame.toGrid(-2.0, 6.0, 10.0);
    EXPECT_NEAR(1.0, grid[0], 1e-5);
    EXPECT_NEAR(1.0, grid[1], 1e-5);
    EXPECT_NEAR(0.0, grid[2], 1e-5);
}

TEST_F(VdbVolumeTest, VectorComponentsAndScale) {
    TestGrid vel = floatGrid("vel", {0, 0, 0}, {1, 1, 1});
    vel.kind = TestGrid::Vector;
    const std::string path = write("vel.vdb", {vel});
    RecordingTarget frame;
    ASSERT_EQ(0, VdbBridge::importVolume(path.c_str(), {{"vel.x", 4, 1.0f}, {"vel.y", 5, 1.0f}, {"vel.z", 6, 2.0f}},
                                         false, -1, frame));
    EXPECT_EQ(expectedValue(1, 0, 1), frame.at(4, 1, 0, 1));
    EXPECT_EQ(10 * expectedValue(1, 0, 1), frame.at(5, 1, 0, 1));
    EXPECT_EQ(2 * 100 * expectedValue(1, 1, 1), frame.at(6, 1, 1, 1));
}

TEST_F(VdbVolumeTest, FloatGridNamedLikeAComponentWins) {
    TestGrid vel = floatGrid("vel", {0, 0, 0}, {0, 0, 0});
    vel.kind = TestGrid::Vector;
    TestGrid velX = floatGrid("vel.x", {0, 0, 0}, {0, 0, 0});
    velX.value = [](int, int, int) { return 3.0f; };
    const std::string path = write("names.vdb", {vel, velX});
    RecordingTarget frame;
    ASSERT_EQ(0, VdbBridge::importVolume(path.c_str(), {{"vel.x", 4, 1.0f}}, false, -1, frame));
    EXPECT_EQ(3.0f, frame.at(4, 0, 0, 0));
}

TEST_F(VdbVolumeTest, RequestsWithoutAGridOrAUsableChannelAreSkipped) {
    const std::string path = write("skip.vdb", {floatGrid("density", {0, 0, 0}, {1, 1, 1})});
    RecordingTarget frame;
    EXPECT_EQ(VdbBridge::ImportNoMappedGrid,
              VdbBridge::importVolume(path.c_str(), {{"smoke", 2, 1.0f}, {"density", 18, 1.0f}, {"density", 32, 1.0f}},
                                      false, -1, frame));
    EXPECT_EQ(0, frame.layouts);
    ASSERT_EQ(0, VdbBridge::importVolume(path.c_str(), {{"smoke", 1, 1.0f}, {"density", 2, 1.0f}}, false, -1, frame));
    EXPECT_EQ(1u, frame.channels.size());
    EXPECT_EQ(1u, frame.channels.count(2));
}

TEST_F(VdbVolumeTest, HeaderOnlyGivesTheLayoutAndMarksWithoutValues) {
    const std::string path = write("header.vdb", {floatGrid("density", {0, 0, 0}, {3, 2, 1})});
    RecordingTarget full, header;
    ASSERT_EQ(0, VdbBridge::importVolume(path.c_str(), {{"density", 2, 1.0f}}, false, 10, full));
    ASSERT_EQ(0, VdbBridge::importVolume(path.c_str(), {{"density", 2, 1.0f}, {"none", 3, 1.0f}}, true, 10, header));
    EXPECT_TRUE(header.channels.empty());
    EXPECT_EQ(std::set<int>{2}, header.marked);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(full.resolution[i], header.resolution[i]);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(full.transform[i], header.transform[i]);
}

TEST_F(VdbVolumeTest, VoxelLimitAveragesBlocksOfSourceVoxels) {
    const std::string path = write("limit.vdb", {floatGrid("density", {0, 0, 0}, {4, 4, 4})});
    RecordingTarget frame;
    ASSERT_EQ(0, VdbBridge::importVolume(path.c_str(), {{"density", 2, 1.0f}}, false, 27, frame));
    ASSERT_EQ(3, frame.resolution[0]);
    ASSERT_EQ(3, frame.resolution[1]);
    ASSERT_EQ(3, frame.resolution[2]);
    // Voxel (0, 0, 0) covers source voxels 0..1 on each axis; (2, 2, 2) only source voxel 4.
    EXPECT_FLOAT_EQ(expectedValue(0, 0, 0) + 0.5f * (1 + 10 + 100), frame.at(2, 0, 0, 0));
    EXPECT_FLOAT_EQ(expectedValue(4, 4, 4), frame.at(2, 2, 2, 2));
    EXPECT_FLOAT_EQ(0.5f * (expectedValue(4, 2, 4) + expectedValue(4, 3, 4)), frame.at(2, 2, 1, 2));
    // The centre of source block (2..3) along each axis, world 2.5, is frame voxel 1.
    const std::array<double, 3> grid = frame.toGrid(2.5, 2.5, 4.0);
    EXPECT_NEAR(1.0, grid[0], 1e-5);
    EXPECT_NEAR(1.0, grid[1], 1e-5);
    EXPECT_NEAR(1.75, grid[2], 1e-5);
}

TEST_F(VdbVolumeTest, GridsWithAnotherTransformAreSampledAtTheNearestVoxel) {
    TestGrid fine = floatGrid("density", {0, 0, 0}, {3, 0, 0});
    TestGrid coarse = floatGrid("temperature", {0, 0, 0}, {2, 0, 0});
    coarse.voxelSize = 2.0;
    const std::string path = write("mixed.vdb", {fine, coarse});
    RecordingTarget frame;
    ASSERT_EQ(0, VdbBridge::importVolume(path.c_str(), {{"density", 2, 1.0f}, {"temperature", 1, 1.0f}}, false, -1,
                                         frame));
    // The coarse grid spans world 0..4, fine indices 0..4.
    ASSERT_EQ(5, frame.resolution[0]);
    EXPECT_EQ(expectedValue(0, 0, 0), frame.at(1, 0, 0, 0));
    EXPECT_EQ(expectedValue(1, 0, 0), frame.at(1, 2, 0, 0));
    EXPECT_EQ(expectedValue(2, 0, 0), frame.at(1, 4, 0, 0));
    EXPECT_EQ(0.0f, frame.at(2, 4, 0, 0));
}

TEST_F(VdbVolumeTest, EmptyGridsGiveAnEmptyFrame) {
    const std::string path = write("empty.vdb", {floatGrid("density", {0, 0, 0}, {-1, -1, -1})});
    RecordingTarget frame;
    ASSERT_EQ(0, VdbBridge::importVolume(path.c_str(), {{"density", 2, 1.0f}}, false, -1, frame));
    EXPECT_EQ(0, frame.resolution[0]);
    EXPECT_TRUE(frame.channels.empty());
}

TEST_F(VdbVolumeTest, UnreadableFilesAndTransformsFail) {
    RecordingTarget frame;
    EXPECT_EQ(VdbBridge::ImportCannotOpen,
              VdbBridge::importVolume((dir_ + "/missing.vdb").c_str(), {{"density", 2, 1.0f}}, false, -1, frame));
    EXPECT_EQ(VdbBridge::ImportCannotOpen,
              VdbBridge::importVolume(writeText("t.vdb", "not a volume").c_str(), {{"density", 2, 1.0f}}, false, -1, frame));

    TestGrid frustum = floatGrid("density", {0, 0, 0}, {1, 1, 1});
    frustum.frustum = true;
    EXPECT_EQ(VdbBridge::ImportUnsupportedTransform,
              VdbBridge::importVolume(write("frustum.vdb", {frustum}).c_str(), {{"density", 2, 1.0f}}, false, -1, frame));

    // A file cut short after its header.
    const std::string whole = write("whole.vdb", {floatGrid("density", {0, 0, 0}, {15, 15, 15})});
    std::ifstream in(whole, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cut = writeText("cut.vdb", bytes.substr(0, bytes.size() * 3 / 4));
    const int code = VdbBridge::importVolume(cut.c_str(), {{"density", 2, 1.0f}}, false, -1, frame);
    EXPECT_TRUE(code == VdbBridge::ImportBrokenFile || code == VdbBridge::ImportCannotOpen) << code;
}
