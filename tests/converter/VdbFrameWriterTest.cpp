// writeVDBFrame on frames that the cache writer made, read back with OpenVDB; and the dense fill
// that builds its grids, against the voxel-by-voxel reference.
#include "bench/vdbfill/AccessorFill.h"
#include "converter/VdbFrameWriter.h"
#include "converter/VdbGrids.h"
#include "tests/tools/FrameParts.h"
#include "tests/tools/ProgramRun.h"

#include <openvdb/io/File.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

const std::vector<std::string> allNineGrids = {"Smoke_fmr",     "Temperature_fmr", "Fuel_fmr",
                                               "VelocityX_fmr", "VelocityY_fmr",   "VelocityZ_fmr",
                                               "ColorR_fmr",    "ColorG_fmr",      "ColorB_fmr"};
const int allNineChannels[] = {2, 1, 10, 4, 5, 6, 7, 8, 9};
const float affine[12] = {2.0f, 0.5f, 0.0f, 0.0f, 4.0f, 1.0f, 0.25f, 3.0f, 5.0f, 1.0f, -2.0f, 3.0f};

// A frame of 2 x 3 x 4 voxels with a distinct value per channel and voxel, so that a value in the
// wrong grid or voxel shows; every third is zero, which must stay an active voxel. Its map from world
// to grid is affine, with every entry in play.
OvrWriter::CacheWriter sampleFrame(const std::vector<int>& channels, std::vector<std::pair<int32_t, OvrWriter::Bytes>> blocks = {}) {
    for (int c : channels) {
        std::vector<float> values(24);
        for (size_t i = 0; i < values.size(); ++i) values[i] = i % 3 ? float(c) * 1000.0f + float(i) * 0.5f : 0.0f;
        blocks.push_back({c, OvrWriter::rawZone(values.data(), 24)});
    }
    OvrWriter::CacheWriter file = OvrWriter::gridFrame(5, 2, 3, 4, blocks);
    file.transform(affine);
    return file;
}

// OpenVDB's readers hand grids back sorted by name, so the order in the file is read from the
// grid descriptors: each begins with the grid's name and type as length-prefixed strings.
std::vector<std::string> gridNamesInFileOrder(const std::string& path) {
    const std::string bytes = readFile(path), type("\x10\0\0\0Tree_float_5_4_3", 20);
    std::map<size_t, std::string> found;
    for (const std::string& name : allNineGrids)
        if (bytes.find(name + type) != std::string::npos) found[bytes.find(name + type)] = name;
    std::vector<std::string> names;
    for (const auto& entry : found) names.push_back(entry.second);
    return names;
}

using VdbFrameWriterTest = ProgramTest;

TEST_F(VdbFrameWriterTest, WritesTheGridsOfTheFrameChannelsInTableOrder) {
    const struct { std::vector<int> channels; std::vector<std::string> grids; } cases[] = {
        // Added in another order than written, together with channels that are never written.
        {{9, 8, 7, 6, 5, 4, 3, 10, 1, 2, 14, 15, 19}, allNineGrids},
        // Velocity and colour only as whole triples.
        {{4, 5, 10, 7, 8}, {"Fuel_fmr"}},
        {{7, 8, 9}, {"ColorR_fmr", "ColorG_fmr", "ColorB_fmr"}},
        {{14}, {}},
    };
    openvdb::initialize();
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.channels));
        const auto frame = OvrWriter::loadFrame(sampleFrame(c.channels), path("in.ovr"));
        ASSERT_TRUE(frame);
        ASSERT_EQ(writeVDBFrame(path("out.vdb").c_str(), frame.get()), 0);
        EXPECT_EQ(gridNamesInFileOrder(path("out.vdb")), c.grids);

        openvdb::io::File file(path("out.vdb"));
        file.open();
        EXPECT_EQ(file.getMetadata()->metaCount(), 1u);
        EXPECT_EQ(file.getMetadata()->metaValue<int32_t>("FumaraVDBVer"), 0);  // throws unless an int32
        EXPECT_EQ(file.getGrids()->size(), c.grids.size());
        for (const std::string& name : c.grids) {
            SCOPED_TRACE(name);
            const auto grid = openvdb::gridPtrCast<openvdb::FloatGrid>(file.readGrid(name));
            ASSERT_TRUE(grid);
            EXPECT_EQ(grid->background(), 0.0f);
            EXPECT_EQ(grid->getGridClass(), openvdb::GRID_UNKNOWN);
            EXPECT_EQ(grid->activeVoxelCount(), 24u);
            const auto g = std::find(allNineGrids.begin(), allNineGrids.end(), name) - allNineGrids.begin();
            const float* channel = frame->getChannelData(allNineChannels[g]);
            ASSERT_NE(channel, nullptr);
            const auto accessor = grid->getConstAccessor();
            for (int i = 0; i < 24; ++i) {
                const openvdb::Coord voxel(i % 2, i / 2 % 3, i / 6);
                EXPECT_EQ(accessor.getValue(voxel), channel[i]) << i;
                EXPECT_TRUE(accessor.isValueOn(voxel)) << i;
            }
            // Index to world is the inverse of the frame's world-to-grid map.
            const openvdb::Vec3d index(-4, 7, 0.5), p = grid->transform().indexToWorld(index);
            for (int a = 0; a < 3; ++a)
                EXPECT_NEAR(p[0] * affine[a] + p[1] * affine[3 + a] + p[2] * affine[6 + a] + affine[9 + a], index[a], 1e-5);
        }
    }
}

TEST_F(VdbFrameWriterTest, FailuresAreReportedAndWriteNoFile) {
    const auto broken = OvrWriter::loadFrame(sampleFrame({2}, {{1, OvrWriter::Bytes(64, 0xA5)}}), path("broken.ovr"));
    OvrWriter::CacheWriter singularFile = sampleFrame({2});
    const float singularMap[12] = {1, 2, 3, 2, 4, 6, 0, 0, 1, 0, 0, 0};
    singularFile.transform(singularMap);
    const auto singular = OvrWriter::loadFrame(singularFile, path("singular.ovr"));
    const auto fine = OvrWriter::loadFrame(sampleFrame({2}), path("fine.ovr"));
    // A channel without data, a singular transform, a missing directory, no frame.
    const struct { IOvr* frame; std::string path; int status; } cases[] = {
        {broken.get(), path("broken.vdb"), 1}, {singular.get(), path("singular.vdb"), 2},
        {fine.get(), path("missing/out.vdb"), 2}, {nullptr, path("none.vdb"), 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(writeVDBFrame(c.path.c_str(), c.frame), c.status) << c.path;
        EXPECT_FALSE(std::filesystem::exists(c.path)) << c.path;
    }
    EXPECT_EQ(writeVDBFrame(nullptr, fine.get()), 2);
}

// Every layout, with sparse and half grids: names, types and classes, and each voxel's value and
// activity against the frame's channels.
TEST_F(VdbFrameWriterTest, LayoutsSparseAndHalfGrids) {
    struct Grid { std::string name; std::vector<int> channels; openvdb::GridClass gridClass = openvdb::GRID_UNKNOWN; };
    const std::vector<int> all = {2, 1, 10, 4, 5, 6, 7, 8, 9, 3, 14};
    const std::vector<Grid> houdini = {{"density", {2}, openvdb::GRID_FOG_VOLUME}, {"temperature", {1}}, {"fuel", {10}},
                                       {"vel", {4, 5, 6}}, {"Cd", {7, 8, 9}}, {"WaveletEnergy_fmr", {14}}};
    std::vector<Grid> blender = houdini;
    blender[3].name = "velocity";
    blender[4].name = "color";
    const struct { VdbOutputOptions options; std::vector<int> channels; std::vector<Grid> grids; } cases[] = {
        {{VdbLayout::Houdini, false, false}, all, houdini},
        {{VdbLayout::Blender, true, true}, all, blender},
        // No smoke, and a velocity without its z: what the frame holds, under the channel names.
        {{VdbLayout::Blender, false, false}, {4, 5, 10}, {{"fuel", {10}}, {"VelocityX_fmr", {4}}, {"VelocityY_fmr", {5}}}},
        {{VdbLayout::Fumara, true, false}, {2, 14}, {{"Smoke_fmr", {2}}}},
    };
    openvdb::initialize();
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << int(c.options.layout) << c.options.sparse << c.options.half);
        const auto frame = OvrWriter::loadFrame(sampleFrame(c.channels), path("in.ovr"));
        ASSERT_TRUE(frame);
        ASSERT_EQ(writeVDBFrame(path("out.vdb").c_str(), frame.get(), c.options), 0);
        openvdb::io::File file(path("out.vdb"));
        file.open();
        ASSERT_EQ(file.getGrids()->size(), c.grids.size());
        for (const Grid& expected : c.grids) {
            SCOPED_TRACE(expected.name);
            const openvdb::GridBase::Ptr grid = file.readGrid(expected.name);
            EXPECT_EQ(grid->getGridClass(), expected.gridClass);
            EXPECT_EQ(grid->saveFloatAsHalf(), c.options.half);
            const bool vector = expected.channels.size() == 3;
            ASSERT_EQ(grid->isType<openvdb::Vec3fGrid>(), vector);
            if (vector)
                EXPECT_EQ(grid->getVectorType(), expected.name[0] == 'v' ? openvdb::VEC_CONTRAVARIANT_RELATIVE
                                                                         : openvdb::VEC_INVARIANT);
            for (size_t component = 0; component < expected.channels.size(); ++component) {
                const float* channel = frame->getChannelData(expected.channels[component]);
                ASSERT_NE(channel, nullptr);
                for (int i = 0; i < 24; ++i) {
                    const openvdb::Coord voxel(i % 2, i / 2 % 3, i / 6);
                    float value = 0;
                    bool active = false;
                    if (vector) {
                        const auto accessor = openvdb::gridPtrCast<openvdb::Vec3fGrid>(grid)->getConstAccessor();
                        value = accessor.getValue(voxel)[component];
                        active = accessor.isValueOn(voxel);
                    } else {
                        const auto accessor = openvdb::gridPtrCast<openvdb::FloatGrid>(grid)->getConstAccessor();
                        value = accessor.getValue(voxel);
                        active = accessor.isValueOn(voxel);
                    }
                    // Sparse: only the zero voxels (every third, in every channel alike) are inactive.
                    EXPECT_EQ(active, !c.options.sparse || channel[i] != 0.0f) << i;
                    if (c.options.half) EXPECT_NEAR(value, channel[i], std::abs(channel[i]) * 1e-3f) << i;
                    else EXPECT_EQ(value, channel[i]) << i;
                }
            }
        }
    }
}

// The grids serialised side by side make the file OpenVDB's own writer makes, but for its random
// identifier (36 characters after the 21 bytes of magic number, versions and offsets flag); half
// grids are deflated.
TEST_F(VdbFrameWriterTest, WritesTheBytesOfOpenVdbsOwnWriter) {
    openvdb::initialize();
    const auto frame = OvrWriter::loadFrame(sampleFrame({2, 1, 10, 4, 5, 6, 7, 8, 9, 14}), path("in.ovr"));
    for (const VdbOutputOptions& options : {VdbOutputOptions(), VdbOutputOptions{VdbLayout::Houdini, true, true}}) {
        openvdb::GridPtrVec grids;
        ASSERT_EQ(buildFrameGrids(frame.get(), options, grids), 0);
        openvdb::GridPtrVec kept = grids;
        ASSERT_EQ(writeVdbGrids(path("ours.vdb").c_str(), grids, options.half), 0);
        openvdb::io::File reference(path("reference.vdb"));
        if (options.half) reference.setCompression(openvdb::io::COMPRESS_ZIP | openvdb::io::COMPRESS_ACTIVE_MASK);
        openvdb::MetaMap metadata;
        metadata.insertMeta("FumaraVDBVer", openvdb::Int32Metadata(0));
        reference.write(kept, metadata);
        reference.close();
        std::string ours = readFile(path("ours.vdb")), theirs = readFile(path("reference.vdb"));
        ASSERT_EQ(ours.size(), theirs.size());
        EXPECT_NE(ours.substr(21, 36), theirs.substr(21, 36));
        ours.replace(21, 36, 36, '-');
        theirs.replace(21, 36, 36, '-');
        EXPECT_TRUE(ours == theirs);
    }
}

TEST(DenseGridFillTest, BuildsTheSameTreeAsTheVoxelByVoxelFill) {
    // Partial leaves on every far face (one more voxel than whole leaves in x and z), a node
    // boundary crossed in x, a single voxel and whole leaves only.
    const int sizes[][3] = {{19, 8, 17}, {17, 10, 9}, {130, 9, 3}, {1, 1, 1}, {8, 16, 24}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(::testing::Message() << size[0] << "x" << size[1] << "x" << size[2]);
        std::vector<float> data(static_cast<size_t>(size[0]) * size[1] * size[2]);
        for (size_t i = 0; i < data.size(); ++i) data[i] = std::sin(static_cast<float>(i)) * (i % 7 == 0 ? 0.0f : 3.0f);
        data[0] = -0.0f;
        data[data.size() / 2] = std::numeric_limits<float>::quiet_NaN();

        // Sparse: the nonzero values active, bit for bit, and no leaf without an active voxel.
        for (size_t i = data.size() / 3; i < data.size() / 3 * 2; ++i) data[i] = 0.0f;
        openvdb::FloatGrid::Ptr fast, reference, sparse;
        fillGridFromDense(data.data(), sparse, size[0], size[1], size[2], "Smoke_fmr", true);
        size_t nonzero = 0;
        for (size_t i = 0; i < data.size(); ++i) {
            const openvdb::Coord voxel(i % size[0], i / size[0] % size[1], i / size[0] / size[1]);
            float value = sparse->tree().getValue(voxel);
            const bool zero = std::signbit(data[i]) == 0 && data[i] == 0.0f;
            nonzero += !zero;
            EXPECT_EQ(sparse->tree().isValueOn(voxel), !zero) << i;
            EXPECT_EQ(std::memcmp(&value, &data[i], sizeof value), 0) << i;
        }
        EXPECT_EQ(sparse->activeVoxelCount(), nonzero);
        for (auto leaf = sparse->tree().cbeginLeaf(); leaf; ++leaf) EXPECT_FALSE(leaf->isEmpty()) << leaf->origin();
        fillGridFromDense(data.data(), fast, size[0], size[1], size[2], "Smoke_fmr");
        fillGridPerVoxel(data.data(), reference, size[0], size[1], size[2], "Smoke_fmr");
        // Same nodes, and the same leaves with the same values (bit for bit) and active voxels.
        EXPECT_EQ(fast->tree().nodeCount(), reference->tree().nodeCount());
        for (auto leaf = reference->tree().cbeginLeaf(); leaf; ++leaf) {
            const auto* built = fast->tree().probeConstLeaf(leaf->origin());
            ASSERT_TRUE(built) << leaf->origin();
            EXPECT_EQ(built->getValueMask(), leaf->getValueMask()) << leaf->origin();
            EXPECT_EQ(std::memcmp(built->buffer().data(), leaf->buffer().data(), leaf->SIZE * sizeof(float)), 0);
        }
    }
    openvdb::FloatGrid::Ptr empty;
    fillGridFromDense(nullptr, empty, 0, 5, 5, "Fuel_fmr");
    EXPECT_TRUE(empty && empty->getName() == "Fuel_fmr" && empty->empty());
}

} // namespace
