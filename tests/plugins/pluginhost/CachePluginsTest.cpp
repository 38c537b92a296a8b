#include "loader/plugins/CachePlugins.h"
#include "tests/plugins/pluginhost/FakePlugins.h"

#include <gtest/gtest.h>

using CacheIO::CachePluginTable;

namespace {

ZUtils::ThreadManager* someManager() {
    static int object;
    return reinterpret_cast<ZUtils::ThreadManager*>(&object);
}

} // namespace

TEST(CachePlugins, LoadsBothPluginsAndInitializesEachOnce) {
    CachePluginTable plugins;
    ASSERT_EQ(3, plugins.LoadCachePlugins(3, fakePluginDirectory(), "fake", 17));
    EXPECT_EQ(17, plugins.loaderOption());
    FakePluginCalls* vdb = loadedPluginCalls("vdbbridge", "fake");
    FakePluginCalls* f3d = loadedPluginCalls("f3dbridge", "fake");
    ASSERT_TRUE(vdb && f3d);
    const int vdbInitialized = vdb->initialize;
    const int f3dInitialized = f3d->initialize;

    // Already loaded: reported again, neither loaded nor initialised again.
    EXPECT_EQ(3, plugins.LoadCachePlugins(3, "/nowhere", "other", 0));
    EXPECT_EQ(vdbInitialized, vdb->initialize);
    EXPECT_EQ(f3dInitialized, f3d->initialize);
    EXPECT_EQ(0, plugins.loaderOption());
    EXPECT_NE(nullptr, plugins.pluginForExtension("vdb"));
    EXPECT_NE(nullptr, plugins.pluginForExtension("f3d"));
    EXPECT_EQ(nullptr, plugins.pluginForExtension("ovr"));
}

TEST(CachePlugins, OnlyTheRequestedPluginsAreLoaded) {
    CachePluginTable plugins;
    EXPECT_EQ(2, plugins.LoadCachePlugins(2, fakePluginDirectory(), "fake", 0));
    EXPECT_FALSE(plugins.field3d.isLoaded());
    EXPECT_EQ(1, plugins.LoadCachePlugins(1, fakePluginDirectory(), "fake", 0));
}

TEST(CachePlugins, WithoutAFileNothingIsLoaded) {
    CachePluginTable plugins;
    EXPECT_EQ(0, plugins.LoadCachePlugins(3, ";;;", "fake", 0));
    EXPECT_EQ(0, plugins.LoadCachePlugins(3, fakePluginDirectory(), "missing", 0));
    EXPECT_FALSE(plugins.openVdb.isLoaded());
    EXPECT_FALSE(plugins.field3d.isLoaded());
    EXPECT_EQ(nullptr, plugins.pluginForExtension("vdb"));
}

TEST(CachePlugins, RefusingInitializeRejectsThePluginForGood) {
    CachePluginTable plugins;
    EXPECT_EQ(0, plugins.LoadCachePlugins(2, fakePluginDirectory(), "refuse", 0));
    EXPECT_TRUE(plugins.openVdb.isLoaded());
    EXPECT_FALSE(plugins.openVdb.isComplete());
    EXPECT_EQ(nullptr, plugins.openVdb.initialize);
    FakePluginCalls* calls = loadedPluginCalls("vdbbridge", "refuse");
    ASSERT_NE(nullptr, calls);  // the rejected library stays loaded
    const int initialized = calls->initialize;
    EXPECT_GE(initialized, 1);

    // Not reported as loaded later, and not initialised again.
    EXPECT_EQ(0, plugins.LoadCachePlugins(2, fakePluginDirectory(), "refuse", 0));
    EXPECT_EQ(initialized, calls->initialize);
    EXPECT_EQ(nullptr, plugins.pluginForExtension("vdb"));
    EXPECT_FALSE(plugins.handOverThreadManager(someManager()));
}

TEST(CachePlugins, AMissingRequiredEntryPointRejectsWithoutInitializing) {
    CachePluginTable plugins;
    EXPECT_EQ(0, plugins.LoadCachePlugins(2, fakePluginDirectory(), "nolisting", 0));
    EXPECT_FALSE(plugins.openVdb.isComplete());
    FakePluginCalls* calls = loadedPluginCalls("vdbbridge", "nolisting");
    ASSERT_NE(nullptr, calls);
    EXPECT_EQ(0, calls->initialize);
}

TEST(CachePlugins, ExportFrameIsOptionalAndResolvedForVdbbridgeOnly) {
    CachePluginTable without;
    EXPECT_EQ(2, without.LoadCachePlugins(2, fakePluginDirectory(), "noexport", 0));
    EXPECT_EQ(nullptr, without.openVdb.exportFrame);

    CachePluginTable with;
    EXPECT_EQ(3, with.LoadCachePlugins(3, fakePluginDirectory(), "fake", 0));
    EXPECT_NE(nullptr, with.openVdb.exportFrame);
    EXPECT_EQ(nullptr, with.field3d.exportFrame);  // its library has one, but it is not asked for
}

TEST(CachePlugins, ThreadManagerIsHandedToEveryCompletePluginAndReleased) {
    CachePluginTable plugins;
    ASSERT_EQ(3, plugins.LoadCachePlugins(3, fakePluginDirectory(), "fake", 0));
    FakePluginCalls* vdb = loadedPluginCalls("vdbbridge", "fake");
    FakePluginCalls* f3d = loadedPluginCalls("f3dbridge", "fake");
    ASSERT_TRUE(vdb && f3d);
    EXPECT_TRUE(plugins.handOverThreadManager(someManager()));
    EXPECT_EQ(someManager(), vdb->threadManager);
    EXPECT_EQ(someManager(), f3d->threadManager);
    const int released = vdb->releaseThreadManager;
    plugins.releaseThreadManager();
    EXPECT_EQ(released + 1, vdb->releaseThreadManager);
    EXPECT_EQ(nullptr, vdb->threadManager);
    EXPECT_EQ(nullptr, f3d->threadManager);
}

TEST(CachePlugins, ARefusedHandOverFailsButReachesEveryPlugin) {
    CachePluginTable plugins;
    ASSERT_EQ(3, plugins.LoadCachePlugins(3, fakePluginDirectory(), "refusetm", 0));
    FakePluginCalls* vdb = loadedPluginCalls("vdbbridge", "refusetm");
    ASSERT_NE(nullptr, vdb);
    const int handedOver = vdb->setThreadManager;
    EXPECT_FALSE(plugins.handOverThreadManager(someManager()));
    EXPECT_EQ(handedOver + 1, vdb->setThreadManager);
}

TEST(CachePlugins, NoHandOverWithoutPlugins) {
    CachePluginTable plugins;
    EXPECT_FALSE(plugins.handOverThreadManager(someManager()));
    plugins.releaseThreadManager();
}
