#include "loader/format/FumaraFrameData.h"
#include "loader/plugins/CachePlugins.h"
#include "loader/plugins/ForeignFileImports.h"
#include "tests/plugins/pluginhost/FakePlugins.h"
#include "tests/plugins/pluginhost/TempDirectory.h"
#include "utils/Log.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>

using CacheIO::ImportField3DFile;
using CacheIO::ImportOpenVDBFile;

namespace {

class ForeignFileImports : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(3, plugins_.LoadCachePlugins(3, fakePluginDirectory(), "fake", 0)); }

    // The text logged while running action.
    template <class Action>
    std::string logOf(Action action) {
        TempDirectory temp;
        const std::string path = temp.file("log.txt");
        const ZUtils::LogSettings saved = ZUtils::logSettings();
        ZUtils::LogSettings settings;
        settings.filePath = path;
        ZUtils::setLogSettings(settings);
        action();
        ZUtils::setLogSettings(saved);
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    CacheIO::CachePluginTable plugins_;
    FumaraFrameData frame_;
};

bool allValues(FumaraFrameData& frame, int channel, float value) {
    const float* values = frame.getChannelData(channel);
    if (!values) return false;
    for (int i = 0; i < 8; ++i)
        if (values[i] != value) return false;
    return true;
}

} // namespace

TEST_F(ForeignFileImports, AbsentPluginGivesCode2AfterResettingTheFrame) {
    CacheIO::CachePluginTable none;
    frame_.description.channelFlags = 0x16;
    frame_.description.gridResolution[0] = 9;
    EXPECT_EQ(2, ImportOpenVDBFile(none, "a.vdb", &frame_, "2,density;", false, -1));
    EXPECT_EQ(0u, frame_.description.channelFlags);
    EXPECT_EQ(0, frame_.description.gridResolution[0]);
    EXPECT_EQ(2, ImportField3DFile(none, "a.f3d", &frame_, "2,density;", true));
    EXPECT_TRUE(frame_.description.headerOnly());
}

TEST_F(ForeignFileImports, NoMappingsGive9WithTheImportersMessage) {
    int vdbCode = 0, f3dCode = 0;
    const std::string vdbLog = logOf([&] { vdbCode = ImportOpenVDBFile(plugins_, "a.vdb", &frame_, "", false, -1); });
    const std::string f3dLog = logOf([&] { f3dCode = ImportField3DFile(plugins_, "a.f3d", &frame_, nullptr, false); });
    EXPECT_EQ(9, vdbCode);
    EXPECT_EQ(9, f3dCode);
    EXPECT_NE(std::string::npos, vdbLog.find("Trying to import VDB files with no mappings specified!\n"));
    EXPECT_NE(std::string::npos, f3dLog.find("Trying to import F3D files with no mappings specified!\n"));
}

TEST_F(ForeignFileImports, ImportedChannelsAreReadLikeCacheChannels) {
    ASSERT_EQ(0, ImportOpenVDBFile(plugins_, "a.vdb", &frame_, "2,density;10,fuel;", false, -1));
    EXPECT_TRUE(allValues(frame_, 2, 2.0f));
    EXPECT_TRUE(allValues(frame_, 10, 10.0f));
    EXPECT_EQ(1, frame_.hasChannel(10));
    EXPECT_EQ(0, frame_.hasChannel(1));
    EXPECT_EQ(nullptr, frame_.getChannelData(1));
    // Grid data in which no channel block is found.
    EXPECT_EQ(1, frame_.comprDataSzInts());
}

TEST_F(ForeignFileImports, ThePluginsCodeIsHandedBack) {
    EXPECT_EQ(42, ImportField3DFile(plugins_, "refuse.f3d", &frame_, "2,density;", false));
    EXPECT_EQ(42, ImportOpenVDBFile(plugins_, "refuse.vdb", &frame_, "2,density;", false, 100));
}

TEST_F(ForeignFileImports, PartialVelocityIsDropped) {
    ASSERT_EQ(0, ImportOpenVDBFile(plugins_, "a.vdb", &frame_, "2,d;4,vx;5,vy;", false, -1));
    for (int channel = 3; channel <= 6; ++channel) {
        EXPECT_EQ(0, frame_.hasChannel(channel)) << channel;
        EXPECT_EQ(nullptr, frame_.getChannelData(channel)) << channel;
    }
    EXPECT_TRUE(allValues(frame_, 2, 2.0f));
}

TEST_F(ForeignFileImports, CompleteVelocityIsKeptAndGivesSpeed) {
    ASSERT_EQ(0, ImportField3DFile(plugins_, "a.f3d", &frame_, "4,vx;5,vy;6,vz;", false));
    EXPECT_TRUE(allValues(frame_, 6, 6.0f));
    EXPECT_EQ(1, frame_.hasChannel(3));
    EXPECT_TRUE(allValues(frame_, 3, std::sqrt(16.0f + 25.0f + 36.0f)));
}

TEST_F(ForeignFileImports, HeaderOnlyImportsReportChannelsWithoutData) {
    ASSERT_EQ(0, ImportOpenVDBFile(plugins_, "a.vdb", &frame_, "2,d;4,vx;", true, -1));
    EXPECT_TRUE(frame_.description.headerOnly());
    EXPECT_EQ(1, frame_.hasChannel(2));
    EXPECT_EQ(0, frame_.hasChannel(4));
    EXPECT_EQ(nullptr, frame_.getChannelData(2));
    int resolution[3];
    EXPECT_EQ(2, frame_.getResolution(resolution));
}

TEST(EnsureVelocityComplete, KeepsAllThreeComponentsOrNone) {
    FumaraFrameData frame;
    frame.description.channelFlags = (1u << 2) | (1u << 4) | (1u << 6);
    CacheIO::EnsureVelocityComplete(frame);
    EXPECT_EQ(1u << 2, frame.description.channelFlags);

    frame.description.channelFlags = (1u << 4) | (1u << 5);
    const int32_t resolution[3] = {1, 1, 1};
    ASSERT_TRUE(frame.AllocateChannelGrid(frame.channelRecord(6), resolution, 0));
    CacheIO::EnsureVelocityComplete(frame);
    EXPECT_EQ((1u << 4) | (1u << 5), frame.description.channelFlags);
    EXPECT_TRUE(frame.channelRecord(6).loaded);
}
