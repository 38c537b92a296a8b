// OpenVDB frames through the real vdbbridge plug-in. Test grids hold knownValue(i, j, k) at index
// (i, j, k), a vector grid (v, 10 v, 100 v).
#include "tests/host/HostSupport.h"
#include "tests/plugins/vdbfiles/VdbTestFiles.h"

#include <algorithm>
#include <cmath>

namespace {

using VdbTestFiles::TestGrid;
using VdbTestFiles::knownValue;
const TestGrid::Kind Float = TestGrid::Float, Vector = TestGrid::Vector;

class VdbFrames : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(3, initalizeOvraLoader(OVR_PLUGIN_DIR, OVR_PLUGIN_SUFFIX, 0)); }
    void TearDown() override { finalizeOvraLoader(); }

    std::string write(const std::string& name, const std::vector<TestGrid>& grids) {
        EXPECT_TRUE(VdbTestFiles::writeVdb(scratch_ / name, grids));
        return scratch_ / name;
    }

    ScratchDirectory scratch_;
};

} // namespace

TEST_F(VdbFrames, FilesGiveFramesOfTheirGrids) {
    struct Probe { int channel, x, y, z; float value; };
    const struct {
        std::vector<TestGrid> grids;
        const char* mappings;  // null: the default ones
        OvrInt64 voxelLimit; bool headerOnly; std::array<int, 3> resolution;
        std::vector<int> channels;  // those the frame has
        std::vector<Probe> values; std::array<double, 6> point;  // a world position, its frame grid coordinates
    } cases[] = {
        {{{Float, "density", {0, 0, 0}, {5, 4, 3}, 0.25, {-1, 0, 2}},
          {Float, "temperature", {0, 0, 0}, {5, 4, 3}, 0.25, {-1, 0, 2}},
          {Vector, "vel", {0, 0, 0}, {5, 4, 3}, 0.25, {-1, 0, 2}}},
         nullptr, -1, false, {{6, 5, 4}}, {1, 2, 3, 4, 5, 6},
         {{2, 3, 2, 1, knownValue(3, 2, 1)}, {1, 5, 4, 3, knownValue(5, 4, 3)}, {4, 1, 2, 3, knownValue(1, 2, 3)},
          {5, 1, 2, 3, 10 * knownValue(1, 2, 3)}, {6, 5, 4, 3, 100 * knownValue(5, 4, 3)},
          {3, 1, 0, 0, std::sqrt(10101.0f)}},  /* speed */ {{-0.25, 0.5, 2.25, 3, 2, 1}}},
        // Unknown grids skipped; the frame spans the union of active boxes, each grid's background outside its own.
        {{{Float, "density", {1, 2, 0}, {4, 3, 2}, 0.5, {1, 2, 3}},
          {Float, "temperature", {-1, 0, 1}, {2, 1, 5}, 0.5, {1, 2, 3}, 7.5f}},
         "2,density;1,temperature;10,fuel;", -1, false, {{6, 4, 6}}, {1, 2},
         {{2, 2, 2, 0, knownValue(1, 2, 0)}, {2, 0, 0, 0, 0.0f}, {1, 0, 0, 1, knownValue(-1, 0, 1)}, {1, 5, 3, 0, 7.5f}},
         {{2.5, 2.5, 5.0, 4, 1, 4}}},
        // A float grid of the name wins over a vector grid's component.
        {{{Vector, "vel", {0, 0, 0}, {1, 1, 1}}, {Float, "vel.x", {1, 1, 1}, {1, 1, 1}}}, "2,vel.x;", -1, false,
         {{1, 1, 1}}, {2}, {{2, 0, 0, 0, knownValue(1, 1, 1)}}, {{1, 1, 1, 0, 0, 0}}},
        // A repeated name: the float grid is read, not the vector grid of the same name before it.
        {{{Vector, "density", {0, 0, 0}, {1, 1, 1}}, {Float, "density", {0, 0, 0}, {1, 1, 1}}}, "2,density;", -1, false,
         {{2, 2, 2}}, {2}, {{2, 1, 1, 1, knownValue(1, 1, 1)}}, {{1, 1, 1, 1, 1, 1}}},
        // Another transform is sampled at the nearest voxel.
        {{{Float, "density", {0, 0, 0}, {3, 0, 0}}, {Float, "temperature", {0, 0, 0}, {2, 0, 0}, 2.0}},
         "2,density;1,temperature;", -1, false, {{5, 1, 1}}, {1, 2},
         {{1, 2, 0, 0, knownValue(1, 0, 0)}, {1, 4, 0, 0, knownValue(2, 0, 0)}, {2, 4, 0, 0, 0.0f}, {2, 3, 0, 0, 3.0f}},
         {{4, 0, 0, 4, 0, 0}}},
        // With a voxel limit a frame voxel is the mean of the source voxels it covers, at most 4 per axis.
        {{{Float, "density", {0, 0, 0}, {4, 4, 4}}}, nullptr, 27, false, {{3, 3, 3}}, {2},
         {{2, 0, 0, 0, 0.5f * (1 + 10 + 100)}, {2, 2, 2, 2, knownValue(4, 4, 4)},
          {2, 2, 1, 2, 0.5f * (knownValue(4, 2, 4) + knownValue(4, 3, 4))}}, {{2.5, 2.5, 4.0, 1, 1, 1.75}}},
        {{{Float, "density", {0, 0, 0}, {7, 0, 0}}}, nullptr, 1, false, {{1, 1, 1}}, {2},
         {{2, 0, 0, 0, (1 + 3 + 5 + 7) / 4.0f}}, {{3.5, 3.5, 3.5, 0, 0, 0}}},
        {{{Float, "density", {0, 0, 0}, {3, 2, 1}}}, nullptr, 10, true, {{2, 2, 1}}, {2}, {}, {{2.5, 2.5, 0.5, 1, 1, 0}}},
        {{{Float, "density", {0, 0, 0}, {-1, -1, -1}}}, nullptr, -1, false, {{0, 0, 0}}, {}, {}, {}},  // empty
    };
    for (const auto& c : cases) {
        const std::string path = write("frame" + std::to_string(&c - cases) + ".vdb", c.grids);
        SCOPED_TRACE(path);
        IOvr* frame = c.mappings ? newIOvrWithChannelsMappingMaxVox(path.c_str(), c.mappings, c.voxelLimit, c.headerOnly)
                                 : newIOvrMaxVox(path.c_str(), c.voxelLimit, c.headerOnly);
        ASSERT_NE(nullptr, frame);
        std::array<int, 3> resolution;
        frame->getResolution(resolution.data());
        EXPECT_EQ(c.resolution, resolution);
        for (int channel = 0; channel < 32; ++channel) {
            const bool has = std::count(c.channels.begin(), c.channels.end(), channel) > 0;
            EXPECT_EQ(has ? 1 : 0, frame->hasChannel(channel)) << channel;
            EXPECT_EQ(has && !c.headerOnly, frame->getChannelData(channel) != nullptr) << channel;
        }
        for (const Probe& p : c.values)
            EXPECT_FLOAT_EQ(p.value, frame->getChannelData(p.channel)[p.x + resolution[0] * (p.y + resolution[1] * p.z)])
                << p.channel << " at " << p.x << p.y << p.z;
        float t[12];  // world p lands at p * A + o
        frame->getTransform(t);
        for (int axis = 0; axis < 3 && !c.channels.empty(); ++axis)
            EXPECT_NEAR(c.point[3 + axis],
                        c.point[0] * t[axis] + c.point[1] * t[3 + axis] + c.point[2] * t[6 + axis] + t[9 + axis], 1e-4);
        deleteIOvr(frame);
    }
}

// The channels of a frame sequence's files, each once with its flag (1: a vector component), and their mappings.
TEST_F(VdbFrames, ChannelsOfAFrameSequence) {
    write("seq_0001.VDB", {{Vector, "Cd"}, {Float, "heat"}});
    write("seq_0002.VDB", {{Float, "heat"}, {TestGrid::Int32, "flags"}, {Vector, "vel"}, {Float, "density"}});
    const std::string pattern = scratch_ / "seq_####.VDB";
    std::vector<std::string> names;
    char name[8];
    int flag = -1, index = 0, result;
    while ((result = ovrGet3rdPartyChannelName(name, sizeof name, &flag, pattern.c_str(), index++)) == 1)
        names.push_back(std::string(name) + " " + std::to_string(flag));
    EXPECT_EQ(-1, result);
    std::sort(names.begin(), names.end());  // the files come in directory order
    EXPECT_EQ((std::vector<std::string>{"Cd.x 1", "Cd.y 1", "Cd.z 1", "density 0", "heat 0", "vel.x 1", "vel.y 1", "vel.z 1"}),
              names);
    const std::string cd = "7,Cd.x;8,Cd.y;9,Cd.z;", densityAndVel = "2,density;4,vel.x;5,vel.y;6,vel.z;";
    char mappings[64];
    EXPECT_EQ(1, ovrGenerateDefaultChannelMappings(mappings, sizeof mappings, pattern.c_str()));
    EXPECT_TRUE(mappings == cd + densityAndVel || mappings == densityAndVel + cd) << mappings;
}

TEST_F(VdbFrames, FilesWithoutAFrame) {
    const std::string density = write("density.vdb", {{Float, "density", {0, 0, 0}, {1, 1, 1}}});
    ASSERT_TRUE(writeCacheFile(scratch_ / "frame.txt", 2, 2, 2, {2}));  // a cache, but not by name
    const std::pair<std::string, const char*> cases[] = {  // a path and its mappings, null: the default ones
        {density, "2,smoke;18,density;32,density;"}, {scratch_ / "missing.vdb", nullptr}, {"", nullptr},
        {scratch_ / "frame.txt", nullptr}, {scratch_.write("smoke.f3d", "density 0\n"), "2,density;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nullptr, c.second ? newIOvrWithChannelsMapping(c.first.c_str(), c.second) : newIOvr(c.first.c_str()))
            << c.first << " " << (c.second ? c.second : "(default)");
    EXPECT_EQ(nullptr, newIOvr(nullptr));
    EXPECT_EQ(nullptr, newIOvrMaxVox(nullptr, 5, true));
    char name[8];
    for (const std::string& path : {scratch_ / "smoke.f3d", scratch_ / "missing.vdb", scratch_.write("text.vdb", "x")})
        EXPECT_EQ(-1, ovrGet3rdPartyChannelName(name, sizeof name, nullptr, path.c_str(), 0)) << path;
}
