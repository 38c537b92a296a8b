#include "bench/vdbfill/AccessorFill.h"
#include "converter/VdbFrameWriter.h"
#include "converter/VdbGrids.h"
#include "tests/converter/FakeFrame.h"

#include <gtest/gtest.h>
#include <openvdb/io/File.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A distinct value per channel and element, so that a value in the wrong grid or voxel shows.
float sample(int channel, size_t i) { return static_cast<float>(channel) * 1000.0f + static_cast<float>(i) * 0.5f; }

void addSampleChannel(FakeFrame& frame, int channel) {
    frame.addChannel(channel, [channel](size_t i) { return sample(channel, i); });
}

const std::vector<std::string> allNineGrids = {"Smoke_fmr",     "Temperature_fmr", "Fuel_fmr",
                                               "VelocityX_fmr", "VelocityY_fmr",   "VelocityZ_fmr",
                                               "ColorR_fmr",    "ColorG_fmr",      "ColorB_fmr"};
const int allNineChannels[] = {2, 1, 10, 4, 5, 6, 7, 8, 9};

// OpenVDB's readers hand grids back sorted by name, so the order in the file is read from the
// grid descriptors: each begins with the grid's name and type as length-prefixed strings.
std::vector<std::string> gridNamesInFileOrder(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto prefixed = [](const std::string& text) {
        const uint32_t length = static_cast<uint32_t>(text.size());
        return std::string(reinterpret_cast<const char*>(&length), 4) + text;
    };
    std::vector<std::pair<size_t, std::string>> found;
    for (const std::string& name : allNineGrids) {
        const size_t at = bytes.find(prefixed(name) + prefixed("Tree_float_5_4_3"));
        if (at != std::string::npos) found.emplace_back(at, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (const auto& entry : found) names.push_back(entry.second);
    return names;
}

struct WrittenFile {
    openvdb::MetaMap::Ptr metadata;
    openvdb::GridPtrVecPtr grids;

    openvdb::FloatGrid::Ptr floatGrid(const std::string& name) const {
        for (const openvdb::GridBase::Ptr& grid : *grids)
            if (grid->getName() == name) return openvdb::gridPtrCast<openvdb::FloatGrid>(grid);
        return nullptr;
    }
};

class VdbFrameWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vdbwriterXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const char* name) const { return (dir_ / name).string(); }

    static WrittenFile readBack(const std::string& path) {
        openvdb::initialize();
        openvdb::io::File file(path);
        file.open();
        WrittenFile written{file.getMetadata(), file.getGrids()};
        file.close();
        return written;
    }

    fs::path dir_;
};

TEST_F(VdbFrameWriterTest, WritesTheNineGridsInTableOrderWithEveryVoxelOfEveryChannel) {
    FakeFrame frame(2, 3, 4);
    // Added in another order than written, together with channels that are never written.
    for (int channel : {9, 8, 7, 6, 5, 4, 3, 10, 1, 2, 14, 15, 19}) addSampleChannel(frame, channel);
    const std::string out = path("full.vdb");
    ASSERT_EQ(writeVDBFrame(out.c_str(), &frame), 0);

    EXPECT_EQ(gridNamesInFileOrder(out), allNineGrids);
    const WrittenFile written = readBack(out);
    EXPECT_EQ(written.grids->size(), 9u);
    EXPECT_EQ(written.metadata->metaCount(), 1u);
    ASSERT_TRUE((*written.metadata)["FumaraVDBVer"]);
    EXPECT_EQ((*written.metadata)["FumaraVDBVer"]->typeName(), "int32");
    EXPECT_EQ(written.metadata->metaValue<int32_t>("FumaraVDBVer"), 0);

    for (size_t g = 0; g < allNineGrids.size(); ++g) {
        SCOPED_TRACE(allNineGrids[g]);
        openvdb::FloatGrid::Ptr grid = written.floatGrid(allNineGrids[g]);
        ASSERT_TRUE(grid);
        EXPECT_EQ(grid->background(), 0.0f);
        EXPECT_EQ(grid->getGridClass(), openvdb::GRID_UNKNOWN);
        EXPECT_EQ(grid->activeVoxelCount(), 24u);
        EXPECT_EQ(grid->evalActiveVoxelBoundingBox(), openvdb::CoordBBox(openvdb::Coord(0), openvdb::Coord(1, 2, 3)));
        const std::vector<float>& channel = frame.channel(allNineChannels[g]);
        openvdb::FloatGrid::ConstAccessor accessor = grid->getConstAccessor();
        for (size_t i = 0; i < channel.size(); ++i) {
            const openvdb::Coord voxel(static_cast<int>(i % 2), static_cast<int>(i / 2 % 3), static_cast<int>(i / 6));
            EXPECT_EQ(accessor.getValue(voxel), channel[i]) << i;
            EXPECT_TRUE(accessor.isValueOn(voxel)) << i;
        }
    }
    openvdb::FloatGrid::ConstAccessor smoke = written.floatGrid("Smoke_fmr")->getConstAccessor();
    EXPECT_EQ(smoke.getValue(openvdb::Coord(1, 2, 0)), sample(2, 5));
    EXPECT_EQ(smoke.getValue(openvdb::Coord(0, 0, 1)), sample(2, 6));
}

TEST_F(VdbFrameWriterTest, ZeroVoxelsStayActive) {
    FakeFrame frame(9, 5, 3);
    frame.addChannel(2, [](size_t i) { return i % 3 == 0 ? 0.0f : 1.0f; });
    frame.addChannel(1, [](size_t) { return 0.0f; });
    const std::string out = path("zeros.vdb");
    ASSERT_EQ(writeVDBFrame(out.c_str(), &frame), 0);
    const WrittenFile written = readBack(out);
    ASSERT_EQ(written.grids->size(), 2u);
    for (const char* name : {"Smoke_fmr", "Temperature_fmr"})
        EXPECT_EQ(written.floatGrid(name)->activeVoxelCount(), 9u * 5u * 3u) << name;
}

TEST_F(VdbFrameWriterTest, WritesOnlyWholeVelocityAndColourTriples) {
    FakeFrame partial(2, 2, 2);
    for (int channel : {4, 5, 10, 7, 8}) addSampleChannel(partial, channel);
    ASSERT_EQ(writeVDBFrame(path("partial.vdb").c_str(), &partial), 0);
    EXPECT_EQ(gridNamesInFileOrder(path("partial.vdb")), std::vector<std::string>({"Fuel_fmr"}));
    EXPECT_EQ(readBack(path("partial.vdb")).grids->size(), 1u);

    FakeFrame colourOnly(2, 2, 2);
    for (int channel : {7, 8, 9}) addSampleChannel(colourOnly, channel);
    ASSERT_EQ(writeVDBFrame(path("colour.vdb").c_str(), &colourOnly), 0);
    EXPECT_EQ(gridNamesInFileOrder(path("colour.vdb")), std::vector<std::string>({"ColorR_fmr", "ColorG_fmr", "ColorB_fmr"}));
    EXPECT_EQ(readBack(path("colour.vdb")).grids->size(), 3u);
}

TEST_F(VdbFrameWriterTest, FrameWithoutWrittenChannelsGivesAFileWithMetadataOnly) {
    FakeFrame frame(4, 4, 4);
    addSampleChannel(frame, 14);
    ASSERT_EQ(writeVDBFrame(path("empty.vdb").c_str(), &frame), 0);
    const WrittenFile written = readBack(path("empty.vdb"));
    EXPECT_TRUE(written.grids->empty());
    EXPECT_EQ(written.metadata->metaValue<int32_t>("FumaraVDBVer"), 0);
}

TEST_F(VdbFrameWriterTest, IndexToWorldIsTheInverseOfTheFrameTransform) {
    FakeFrame identity(3, 3, 3);
    addSampleChannel(identity, 2);
    ASSERT_EQ(writeVDBFrame(path("identity.vdb").c_str(), &identity), 0);
    const WrittenFile unitFile = readBack(path("identity.vdb"));
    const openvdb::math::Transform& unit = unitFile.floatGrid("Smoke_fmr")->transform();
    EXPECT_EQ(unit.voxelSize(), openvdb::Vec3d(1.0));
    EXPECT_EQ(unit.indexToWorld(openvdb::Vec3d(1, 2, 3)), openvdb::Vec3d(1, 2, 3));

    FakeFrame scaled(3, 3, 3);
    addSampleChannel(scaled, 2);
    addSampleChannel(scaled, 1);
    scaled.setTransform({10, 0, 0, 0, 10, 0, 0, 0, 10, 0, 0, 0});
    ASSERT_EQ(writeVDBFrame(path("scaled.vdb").c_str(), &scaled), 0);
    const WrittenFile scaledFile = readBack(path("scaled.vdb"));
    for (const char* name : {"Smoke_fmr", "Temperature_fmr"}) {
        const openvdb::Vec3d voxelSize = scaledFile.floatGrid(name)->transform().voxelSize();
        for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(voxelSize[axis], 0.1, 1e-7) << name;
    }

    // A general affine map: the world position of every index must map back onto the index.
    const float a[12] = {2.0f, 0.5f, 0.0f, 0.0f, 4.0f, 0.0f, 0.25f, 0.0f, 5.0f, 1.0f, -2.0f, 3.0f};
    FakeFrame affine(3, 3, 3);
    addSampleChannel(affine, 2);
    affine.setTransform(a);
    ASSERT_EQ(writeVDBFrame(path("affine.vdb").c_str(), &affine), 0);
    const WrittenFile affineFile = readBack(path("affine.vdb"));
    const openvdb::math::Transform& transform = affineFile.floatGrid("Smoke_fmr")->transform();
    for (const openvdb::Vec3d& index : {openvdb::Vec3d(0, 0, 0), openvdb::Vec3d(1, 2, 3), openvdb::Vec3d(-4, 7, 0.5)}) {
        const openvdb::Vec3d p = transform.indexToWorld(index);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(p[0] * a[c] + p[1] * a[3 + c] + p[2] * a[6 + c] + a[9 + c], index[c], 1e-5) << c;
    }
}

TEST_F(VdbFrameWriterTest, FailuresAreReportedAndWriteNoFile) {
    FakeFrame broken(2, 2, 2);
    addSampleChannel(broken, 2);
    broken.addBrokenChannel(1);
    EXPECT_EQ(writeVDBFrame(path("broken.vdb").c_str(), &broken), 1);
    EXPECT_FALSE(fs::exists(path("broken.vdb")));

    FakeFrame fine(2, 2, 2);
    addSampleChannel(fine, 2);
    EXPECT_EQ(writeVDBFrame(path("missing/dir/out.vdb").c_str(), &fine), 2);

    FakeFrame singular(2, 2, 2);
    addSampleChannel(singular, 2);
    singular.setTransform({1, 2, 3, 2, 4, 6, 0, 0, 1, 0, 0, 0});
    EXPECT_EQ(writeVDBFrame(path("singular.vdb").c_str(), &singular), 2);
    EXPECT_FALSE(fs::exists(path("singular.vdb")));
}

// Same nodes, same leaves with the same values (bit for bit) and the same active voxels.
void expectSameTree(const openvdb::FloatGrid& actual, const openvdb::FloatGrid& expected) {
    EXPECT_EQ(actual.getName(), expected.getName());
    EXPECT_EQ(actual.tree().nodeCount(), expected.tree().nodeCount());
    EXPECT_EQ(actual.tree().activeTileCount(), expected.tree().activeTileCount());
    auto a = actual.tree().cbeginLeaf();
    auto e = expected.tree().cbeginLeaf();
    for (; a && e; ++a, ++e) {
        ASSERT_EQ(a->origin(), e->origin());
        EXPECT_EQ(a->getValueMask(), e->getValueMask()) << a->origin();
        EXPECT_EQ(std::memcmp(a->buffer().data(), e->buffer().data(), a->SIZE * sizeof(float)), 0) << a->origin();
    }
    EXPECT_FALSE(a);
    EXPECT_FALSE(e);
}

TEST(DenseGridFillTest, BuildsTheSameTreeAsTheVoxelByVoxelFill) {
    // Sizes that leave partial leaves on every far face, and one that crosses a node boundary in x.
    const int sizes[][3] = {{19, 8, 17}, {130, 9, 3}, {1, 1, 1}, {8, 16, 24}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(::testing::Message() << size[0] << "x" << size[1] << "x" << size[2]);
        std::vector<float> data(static_cast<size_t>(size[0]) * size[1] * size[2]);
        for (size_t i = 0; i < data.size(); ++i) data[i] = std::sin(static_cast<float>(i)) * (i % 7 == 0 ? 0.0f : 3.0f);
        data[0] = -0.0f;
        data[data.size() / 2] = std::numeric_limits<float>::quiet_NaN();

        openvdb::FloatGrid::Ptr fast, reference;
        fillGridFromDense(data.data(), fast, size[0], size[1], size[2], "Smoke_fmr");
        fillGridPerVoxel(data.data(), reference, size[0], size[1], size[2], "Smoke_fmr");
        expectSameTree(*fast, *reference);
        EXPECT_EQ(fast->activeVoxelCount(), data.size());
    }
}

TEST(DenseGridFillTest, EmptyResolutionGivesAnEmptyNamedGrid) {
    openvdb::FloatGrid::Ptr grid;
    fillGridFromDense(nullptr, grid, 0, 5, 5, "Fuel_fmr");
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->getName(), "Fuel_fmr");
    EXPECT_TRUE(grid->empty());
}

} // namespace
