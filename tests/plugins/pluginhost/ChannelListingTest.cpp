#include "loader/plugins/ThirdPartyChannelEnum.h"
#include "tests/plugins/pluginhost/FakePlugins.h"
#include "tests/plugins/pluginhost/TempDirectory.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

using CacheIO::AvailableChannelList;

namespace {

class ChannelListing : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(3, plugins_.LoadCachePlugins(3, fakePluginDirectory(), "fake", 0)); }

    std::vector<std::pair<std::string, int>> list(CacheIO::CachePluginTable& plugins, const std::string& pattern) {
        AvailableChannelList channels;
        CacheIO::Find3rdPartyCacheChannelsEnum enumerator(plugins, channels);
        enumerator.enumerateFrameFiles(pattern.c_str(), -1);
        std::vector<std::pair<std::string, int>> result;
        for (int i = 0; i < channels.count(); ++i) result.emplace_back(channels[i].name, channels[i].flag);
        return result;
    }

    CacheIO::CachePluginTable plugins_;
    TempDirectory temp_;
};

using Channels = std::vector<std::pair<std::string, int>>;

} // namespace

TEST_F(ChannelListing, OneFileGivesItsChannelsInThePluginsOrder) {
    const std::string file = temp_.file("one.vdb", "density 0\nvel.x 1\nvel.y 1\n");
    EXPECT_EQ((Channels{{"density", 0}, {"vel.x", 1}, {"vel.y", 1}}), list(plugins_, file));
}

TEST_F(ChannelListing, FramesOfAPatternGiveEachNameOnce) {
    temp_.file("seq_0001.vdb", "density 0\nvel.x 1\n");
    temp_.file("seq_0002.vdb", "vel.x 1\ntemperature 0\ndensity 0\n");
    temp_.file("seq_03.vdb", "ignored 0\n");  // not the pattern expanded for its frame
    const Channels channels = list(plugins_, temp_.path() + "/seq_####.vdb");
    const std::set<std::pair<std::string, int>> names(channels.begin(), channels.end());
    EXPECT_EQ(3u, channels.size());
    EXPECT_EQ((std::set<std::pair<std::string, int>>{{"density", 0}, {"vel.x", 1}, {"temperature", 0}}), names);
}

TEST_F(ChannelListing, ExtensionsAreComparedInLowerCase) {
    const std::string vdb = temp_.file("upper.VDB", "smoke 0\n");
    const std::string f3d = temp_.file("upper.F3D", "Density 0\n");
    EXPECT_EQ((Channels{{"smoke", 0}}), list(plugins_, vdb));
    EXPECT_EQ((Channels{{"Density", 0}}), list(plugins_, f3d));
}

TEST_F(ChannelListing, FilesWithoutTheirPluginAddNothing) {
    const std::string vdb = temp_.file("a.vdb", "smoke 0\n");
    const std::string other = temp_.file("a.txt", "smoke 0\n");
    CacheIO::CachePluginTable field3dOnly;
    ASSERT_EQ(1, field3dOnly.LoadCachePlugins(1, fakePluginDirectory(), "fake", 0));
    EXPECT_TRUE(list(field3dOnly, vdb).empty());
    EXPECT_TRUE(list(plugins_, other).empty());
    EXPECT_TRUE(list(plugins_, temp_.path() + "/missing.vdb").empty());
}
