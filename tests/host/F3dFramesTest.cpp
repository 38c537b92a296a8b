// Field3D frames through the real f3dbridge plug-in: the samples that Field3D itself wrote (each with
// a manifest and the values Field3D's reader returns), files with known contents, and broken files.
#include "tests/host/Field3DTestFiles.h"
#include "tests/host/HostSupport.h"

#include <boost/property_tree/json_parser.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

// libhdf5 1.10 loses a few blocks when it gives up on a damaged object header (see
// fuzz/F3dFileFuzzer.cpp); under the sanitizers those leaks are its own, not the plug-in's.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libhdf5_serial.so\n";
}

namespace {

using namespace Field3DTestFiles;
namespace fs = std::filesystem;
using Tree = boost::property_tree::ptree;

// The plug-in reads its log settings when it is loaded: its log goes to a file that the tests read.
const ScratchDirectory logFolder;
const bool logToFile = setenv("ZENTO_LOG_FILE", (logFolder / "plugin.log").c_str(), 1) == 0;

std::vector<double> numbers(const Tree& array) {
    std::vector<double> out;
    for (const auto& item : array) {
        if (item.second.empty()) out.push_back(item.second.get_value<double>());
        for (double v : numbers(item.second)) out.push_back(v);
    }
    return out;
}

// Where a world position lands on the frame's grid.
std::array<double, 3> onGrid(IOvr& frame, const double world[3]) {
    float t[12];
    frame.getTransform(t);
    std::array<double, 3> grid;
    for (int axis = 0; axis < 3; ++axis)
        grid[axis] = world[0] * t[axis] + world[1] * t[3 + axis] + world[2] * t[6 + axis] + t[9 + axis];
    return grid;
}

class F3dFrames : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(3, initalizeOvraLoader(OVR_PLUGIN_DIR, OVR_PLUGIN_SUFFIX, 0)); }
    void TearDown() override { finalizeOvraLoader(); }

    static std::vector<std::string> channelNames(const std::string& path) {
        std::vector<std::string> names;
        char name[64];
        int flag = 0;
        for (int i = 0; ovrGet3rdPartyChannelName(name, sizeof name, &flag, path.c_str(), i) == 1; ++i)
            names.push_back(std::string(name) + (flag ? "*" : ""));
        return names;
    }

    ScratchDirectory scratch_;
};

}  // namespace

TEST_F(F3dFrames, EverySampleLayerIsReadAsFieldThreeDReadsIt) {
    int layers = 0;
    for (const auto& entry : fs::directory_iterator(OVR_FIELD3D_SAMPLES)) {
        if (entry.path().extension() != ".json") continue;
        Tree manifest;
        boost::property_tree::read_json(entry.path().string(), manifest);
        const std::string file = (entry.path().parent_path() / manifest.get<std::string>("file")).string();
        for (const auto& item : manifest.get_child("layers")) {
            const Tree& layer = item.second;
            const std::string name = layer.get<std::string>("partition") + "." + layer.get<std::string>("layer");
            const bool vector = layer.get<int>("field.components") == 3;
            SCOPED_TRACE(file + " " + name);
            ++layers;
            IOvr* frame = newIOvrWithChannelsMapping(
                file.c_str(),
                (vector ? "4," + name + ".x;5," + name + ".y;6," + name + ".z;" : "2," + name + ";").c_str());
            ASSERT_NE(frame, nullptr);
            const std::vector<double> low = numbers(layer.get_child("field.data_window.min"));
            const std::vector<double> size = numbers(layer.get_child("field.data_window.size"));
            int resolution[3];
            frame->getResolution(resolution);
            EXPECT_EQ(std::vector<double>(resolution, resolution + 3), size);
            const std::string expected =
                readFile((entry.path().parent_path() / layer.get<std::string>("field.values_f32")).string());
            const size_t voxels = size_t(size[0] * size[1] * size[2]);
            ASSERT_EQ(expected.size(), voxels * 4 * (vector ? 3 : 1));
            for (int c = 0; c < (vector ? 3 : 1); ++c) {
                const float* values = frame->getChannelData(vector ? 4 + c : 2);
                ASSERT_NE(values, nullptr);
                for (size_t v = 0; v < voxels; ++v)
                    ASSERT_EQ(0, std::memcmp(&values[v], &expected[(vector ? 3 * v + c : v) * 4], 4))
                        << "voxel " << v << " component " << c;
            }
            // The centres of the first voxel and of its neighbours land on the grid's unit points.
            const std::vector<double> m = numbers(layer.get_child("mapping.voxel_to_world"));
            for (int step = 0; step < 4; ++step) {
                double voxel[3], world[3];
                for (int axis = 0; axis < 3; ++axis) voxel[axis] = low[axis] + 0.5 + (step == axis + 1 ? 1 : 0);
                for (int axis = 0; axis < 3; ++axis)
                    world[axis] = voxel[0] * m[axis] + voxel[1] * m[4 + axis] + voxel[2] * m[8 + axis] + m[12 + axis];
                const std::array<double, 3> grid = onGrid(*frame, world);
                for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(grid[axis], step == axis + 1 ? 1 : 0, 1e-4) << step;
            }
            deleteIOvr(frame);
        }
    }
    EXPECT_GE(layers, 15);
}

TEST_F(F3dFrames, ChannelsAreTheLayersWithVectorComponents) {
    const std::string samples = OVR_FIELD3D_SAMPLES;
    EXPECT_EQ(channelNames(samples + "/two_partitions_hdf5.f3d"),
              (std::vector<std::string>{"density", "pressure", "fuel", "heat", "vel.x*", "vel.y*", "vel.z*"}));
    // Of the same name in two partitions: only as partition.layer; sequences list each name once.
    const std::string fluid = scratch_.write(
        "fluid_0001.f3d",
        field3dOgawa({{"fluid.0", {{"a", {0, 0, 0, 1, 1, 1}}}}, {"smoke.0", {{"a", {0, 0, 0, 1, 1, 1}, 3}}}}));
    scratch_.write("fluid_0002.f3d",
                   field3dOgawa({{"fluid.0", {{"a", {0, 0, 0, 1, 1, 1}}, {"b", {0, 0, 0, 1, 1, 1}}}}}));
    EXPECT_EQ(channelNames(fluid), (std::vector<std::string>{"fluid.a", "smoke.a.x*", "smoke.a.y*", "smoke.a.z*"}));
    std::vector<std::string> sequence = channelNames(scratch_ / "fluid_####.f3d");
    std::sort(sequence.begin(), sequence.end());  // the files come in directory order
    EXPECT_EQ(sequence, (std::vector<std::string>{"a", "b", "fluid.a", "smoke.a.x*", "smoke.a.y*", "smoke.a.z*"}));
    char mappings[64];
    EXPECT_EQ(
        1, ovrGenerateDefaultChannelMappings(mappings, sizeof mappings, (samples + "/smoke_dense_hdf5.f3d").c_str()));
    EXPECT_STREQ(mappings, "2,density;1,temperature;");
}

// Layers of other windows, partitions and classes, sampled by voxel index onto the first one's window.
TEST_F(F3dFrames, OtherLayersAreSampledByVoxelIndex) {
    TestLayer b{"b", {-3, -5, -2, 0, 0, -1}, 1, 16};
    TestLayer empty{"c", {-9, -9, -9, -6, -6, -6}, 1, 32, {7, 7, 7, 7, 7, 7, 7, 7}};
    TestLayer sparse{"s", {-4, -3, -2, -1, 0, -1}, 3, 16, {1, 2, 3, 4}, {1}};
    const std::string path = scratch_.write("layers.f3d", field3dOgawa({{"fluid.0", {{"a", {-4, -3, -2, -1, 0, 1}}, b}},
                                                                        {"fluid.1", {empty, sparse}, true}}));
    IOvr* frame = newIOvrWithChannelsMapping(path.c_str(), "2,fluid.a;1,b;10,fluid.c;4,s.x;5,s.y;6,s.z;");
    ASSERT_NE(frame, nullptr);
    int resolution[3];
    frame->getResolution(resolution);
    EXPECT_EQ(std::vector<int>(resolution, resolution + 3), (std::vector<int>{4, 4, 4}));
    const struct {
        int channel, x, y, z;
        float value;
    } probes[] = {
        {2, 0, 0, 0, knownValue(-4, -3, -2)},
        {2, 3, 3, 3, knownValue(-1, 0, 1)},
        {1, 1, 0, 1, knownValue(-3, -3, -1)},
        {1, 0, 3, 0, 0},  // outside b: 0
        {10, 2, 2, 2, 7},
        {5, 0, 0, 0, 10},
        {6, 1, 1, 1, 100},
        {4, 2, 0, 0, knownValue(-2, -3, -2)},  // blocks 0, 1
        {4, 0, 2, 0, 3},
        {4, 3, 3, 3, 0},  // block 2 is empty with 3; outside: 0, the blocks' empty values differ
    };
    for (const auto& p : probes)
        EXPECT_EQ(p.value, frame->getChannelData(p.channel)[p.x + 4 * (p.y + 4 * p.z)])
            << p.channel << " at " << p.x << p.y << p.z;
    deleteIOvr(frame);
    // A null mapping: world space is local space, the unit cube over the extents (the window grown by 2).
    frame = newIOvrWithChannelsMapping(path.c_str(), "1,fluid.c;");
    ASSERT_NE(frame, nullptr);
    const double world[3] = {2.5 / 8, 3.5 / 8, 2.5 / 8};
    EXPECT_LT(std::abs(onGrid(*frame, world)[0] - 0.0) + std::abs(onGrid(*frame, world)[1] - 1.0), 1e-5);
    deleteIOvr(frame);
}

TEST_F(F3dFrames, AVoxelLimitAveragesTheVoxelsAFrameVoxelCovers) {
    const struct {
        const char *file, *values, *mappings;  // a sample, the values of its first mapped layer, what is mapped
        int channel, size[3], components;
        OvrInt64 limit;
        std::vector<int> resolution, voxel, samples[3];  // a frame voxel and the source voxels it averages
    } cases[] = {
        {"smoke_dense_hdf5.f3d",
         "smoke_dense_hdf5.smoke.density.f32",
         "2,smoke.density;",
         2,
         {12, 10, 8},
         1,
         120,
         {6, 5, 4},
         {4, 1, 3},
         {{8, 9}, {2, 3}, {6, 7}}},
        // Reduced by 5: four of the five voxels along an axis, spread evenly; MAC values are cell-centred.
        {"mac_vel_hdf5.f3d",
         "mac_vel_hdf5.sim.vel.f32",
         "5,sim.vel.x;4,sim.vel.y;6,sim.vel.z;",
         5,
         {8, 6, 5},
         3,
         4,
         {2, 2, 1},
         {1, 1, 0},
         {{5, 6, 7}, {5}, {0, 1, 3, 4}}},
    };
    for (const auto& c : cases) {
        const std::string file = std::string(OVR_FIELD3D_SAMPLES) + "/" + c.file;
        const std::string reference = readFile(std::string(OVR_FIELD3D_SAMPLES) + "/" + c.values);
        float sum = 0;
        for (int k : c.samples[2])
            for (int j : c.samples[1])
                for (int i : c.samples[0]) {
                    float v;
                    std::memcpy(&v, &reference[size_t(i + c.size[0] * (j + c.size[1] * k)) * size_t(c.components) * 4],
                                4);
                    sum += v;
                }
        for (bool headerOnly : {false, true}) {
            SCOPED_TRACE(std::string(c.file) + (headerOnly ? " header only" : ""));
            IOvr* frame = newIOvrWithChannelsMappingMaxVox(file.c_str(), c.mappings, c.limit, headerOnly);
            ASSERT_NE(frame, nullptr);
            int r[3];
            frame->getResolution(r);
            EXPECT_EQ(std::vector<int>(r, r + 3), c.resolution);
            EXPECT_EQ(1, frame->hasChannel(c.channel));
            if (!headerOnly) {
                EXPECT_FLOAT_EQ(sum / float(c.samples[0].size() * c.samples[1].size() * c.samples[2].size()),
                                frame->getChannelData(c.channel)[c.voxel[0] + r[0] * (c.voxel[1] + r[1] * c.voxel[2])]);
            }
            deleteIOvr(frame);
        }
    }
}

TEST_F(F3dFrames, BrokenFilesGiveNoFrameAndALogLine) {
    ASSERT_TRUE(logToFile);
    const std::string samples = OVR_FIELD3D_SAMPLES;
    const std::string ogawa = readFile(samples + "/window_dense_ogawa.f3d"),
                      hdf5 = readFile(samples + "/smoke_dense_hdf5.f3d");
    uint64_t root;
    std::memcpy(&root, &ogawa[8], 8);
    auto patched = [](std::string bytes, size_t at, const std::string& with) {
        return bytes.replace(at, with.size(), with);
    };
    auto replaced = [](std::string bytes, const std::string& what, const std::string& with, int times = 1) {
        for (size_t at = 0; times-- > 0 && (at = bytes.find(what, at)) != std::string::npos;)
            bytes.replace(at, with.size(), with);
        return bytes;
    };
    auto ints = [](std::vector<int32_t> values) {
        return std::string(reinterpret_cast<const char*>(values.data()), values.size() * 4);
    };
    const std::string sparse = readFile(samples + "/smoke_sparse_ogawa.f3d");
    std::vector<std::pair<std::string, std::string>> cases = {
        // file content, a mapping of a layer it should have
        {patched(ogawa, 16 + 8 * 2 + size_t(root), OgawaBytes::raw(root)),
         "2,density;"},  // the root's partition: the root (a loop)
        {patched(ogawa, 16 + 8 * 2 + size_t(root), OgawaBytes::raw(uint64_t(ogawa.size()) + 8)),
         "2,density;"},                                                                    // outside the file
        {patched(ogawa, size_t(root), OgawaBytes::raw(uint64_t(1) << 40)), "2,density;"},  // a huge child count
        {patched(ogawa, 16, OgawaBytes::raw(~uint64_t(0) >> 1)), "2,density;"},            // a data block past the end
        {patched(ogawa, 8, OgawaBytes::raw(root | uint64_t(1) << 63)), "2,density;"},      // a root that is data
        {patched(ogawa, 5, std::string(1, '\0')), "2,density;"},                           // never finished
        {replaced(ogawa, "DenseField", "DenseFielx"), "2,density;"},                       // an unknown class
        {replaced(ogawa, ints({15, 13, 8}), ints({15, 13, 9})), "2,density;"},  // a dataset of the wrong size
        {replaced(hdf5, ints({0, 0, 0, 11, 9, 7}), ints({0, 0, 0, 11, 9, 8}), 2),
         "2,density;"},                                                      // HDF5: the header checksum fails
        {patched(sparse, sparse.find("x\x01") + 40, "\x55"), "2,density;"},  // a damaged zlib stream
        {"Ogawa", "2,density;"},
        {"\x89HDF\r\n\x1a\n", "2,density;"},
        {"neither", "2,density;"},
    };
    for (const std::string& sample : {ogawa, hdf5, sparse})
        for (size_t cut : {size_t(7), size_t(100), sample.size() / 2, sample.size() - 1})
            cases.push_back({sample.substr(0, cut), "2,density;"});
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string path = scratch_.write("broken" + std::to_string(i) + ".f3d", cases[i].first);
        const size_t logged = readFile(logFolder / "plugin.log").size();
        EXPECT_EQ(nullptr, newIOvrWithChannelsMapping(path.c_str(), cases[i].second.c_str())) << "case " << i;
        const std::string log = readFile(logFolder / "plugin.log").substr(logged);
        EXPECT_EQ(0u, log.find("[ERROR] f3dbridge: " + path + ": ")) << "case " << i << ": " << log;
    }
    // A layer of an unknown class spoils only itself.
    IOvr* frame = newIOvrWithChannelsMapping(
        scratch_.write("class.f3d", replaced(ogawa, "DenseField", "DenseFielx")).c_str(), "1,temperature;");
    EXPECT_NE(frame, nullptr);
    deleteIOvr(frame);
    EXPECT_EQ(channelNames(scratch_ / "class.f3d"),
              (std::vector<std::string>{"temperature", "vel.x*", "vel.y*", "vel.z*"}));
}
