// Mapping strings and default mappings through the exports.
#include "tests/host/HostSupport.h"
#include "tests/plugins/vdbfiles/VdbTestFiles.h"

#include <cstring>

using VdbTestFiles::TestGrid;

namespace {

TestGrid grid(TestGrid::Kind kind, const std::string& name) {
    TestGrid grid;
    grid.kind = kind;
    grid.name = name;
    grid.high = {1, 1, 1};
    grid.value = [](int i, int, int) { return 1.0f + i; };
    return grid;
}

} // namespace

TEST(MappingExports, ComposeFitsOrCuts) {
    int channels[] = {2, 1};
    const char* names[] = {"density", "temperature"};
    char buffer[25];
    EXPECT_EQ(1, ovrComposeChannelMappingsString(buffer, 25, channels, names, 2));
    EXPECT_STREQ("2,density;1,temperature;", buffer);
    EXPECT_EQ(0, ovrComposeChannelMappingsString(buffer, 24, channels, names, 2));
    EXPECT_EQ(23u, std::strlen(buffer));
    EXPECT_EQ(0, ovrComposeChannelMappingsString(buffer, 0, channels, names, 2));
}

TEST(MappingExports, DecomposeByIndex) {
    int channel = -1;
    char name[32];
    EXPECT_EQ(1, ovrDecomposeChannelMappingsString(&channel, name, sizeof name, "2,density;1,temperature;", 1));
    EXPECT_EQ(1, channel);
    EXPECT_STREQ("temperature", name);
    EXPECT_EQ(-1, ovrDecomposeChannelMappingsString(&channel, name, sizeof name, "2,density;1,temperature;", 2));
    EXPECT_EQ(1, ovrDecomposeChannelMappingsString(&channel, name, sizeof name, "x,smoke;", 0));
    EXPECT_EQ(0, channel);
    EXPECT_STREQ("smoke", name);
    // An entry cut short is not read past the end of the text.
    EXPECT_EQ(-1, ovrDecomposeChannelMappingsString(&channel, name, sizeof name, "2,density;7", 1));
}

class DefaultMappings : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(2, initalizeOvraLoader(pluginDirectory(), pluginSuffix(), 0)); }
    void TearDown() override { finalizeOvraLoader(); }

    std::string of(const std::string& name, const std::vector<TestGrid>& grids) {
        const std::string path = scratch_.path(name);
        EXPECT_TRUE(VdbTestFiles::writeVdb(path, grids));
        char buffer[256];
        EXPECT_EQ(1, ovrGenerateDefaultChannelMappings(buffer, sizeof buffer, path.c_str()));
        return buffer;
    }

    ScratchDirectory scratch_;
};

TEST_F(DefaultMappings, VectorComponentsNeverBecomeSmoke) {
    EXPECT_EQ("2,density;", of("a.vdb", {grid(TestGrid::Float, "density"), grid(TestGrid::Vector, "flow")}));
    EXPECT_EQ("", of("b.vdb", {grid(TestGrid::Vector, "flow")}));
}

TEST_F(DefaultMappings, AnUnknownScalarGridBecomesSmokeUnlessSmokeIsMapped) {
    EXPECT_EQ("2,heat;", of("a.vdb", {grid(TestGrid::Float, "heat")}));
    EXPECT_EQ("2,Smoke_fmr;", of("b.vdb", {grid(TestGrid::Float, "heat"), grid(TestGrid::Float, "Smoke_fmr")}));
    EXPECT_EQ("4,vel.x;5,vel.y;", of("c.vdb", {grid(TestGrid::Float, "vel.x"), grid(TestGrid::Float, "vel.y")}));
}

TEST_F(DefaultMappings, TheFrameOfTheSmokeFallbackHoldsTheGrid) {
    const std::string path = scratch_.path("fallback.vdb");
    ASSERT_TRUE(VdbTestFiles::writeVdb(path, {grid(TestGrid::Float, "heat")}));
    IOvr* frame = newIOvr(path.c_str());
    ASSERT_NE(nullptr, frame);
    ASSERT_NE(nullptr, frame->getChannelData(2));
    EXPECT_EQ(2.0f, frame->getChannelData(2)[1]);
    deleteIOvr(frame);
}
