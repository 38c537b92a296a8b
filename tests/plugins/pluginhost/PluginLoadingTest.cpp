#include "loader/plugins/CachePlugins.h"
#include "loader/plugins/PluginFileName.h"
#include "tests/plugins/fakes/FakePluginCalls.h"

#include <gtest/gtest.h>

TEST(PluginFileName, WithoutASuffixOrDirectoriesTheBareNameIsLoadedCutTo1023Characters) {
    EXPECT_EQ("f3dbridge.so", CacheIO::pluginLibraryFile("f3dbridge", "/nowhere", nullptr));
    EXPECT_EQ("vdbbridge_x64.so", CacheIO::pluginLibraryFile("vdbbridge", nullptr, "x64"));
    EXPECT_EQ(1023u, CacheIO::pluginLibraryFile("vdbbridge", nullptr, std::string(1100, 's').c_str()).size());
}

// Each case loads a table of its own; the fakes stay loaded, so their calls count from the counts before.
TEST(CachePlugins, LoadsInitializesAndHandsOverTheThreadManager) {
    const struct {
        int which;
        const char *directories, *suffix;
        int loaded;  // the bits reported by the first and by a later call
        // The library of vdbbridge is loaded, complete or not; its Initialize was called once.
        bool vdbLoaded, vdbInitialized, handedOver;
    } cases[] = {
        {3, ";/nowhere;;" OVR_FAKE_PLUGIN_DIR "/", "fake", 3, true, true, true},  // the first existing file
        {2, OVR_FAKE_PLUGIN_DIR, "fake", 2, true, true, true}, {1, OVR_FAKE_PLUGIN_DIR, "fake", 1, false, false, true},
        {3, ";;;", "fake", 0, false, false, false}, {3, "", "fake", 0, false, false, false},
        {3, OVR_FAKE_PLUGIN_DIR, "missing", 0, false, false, false},
        {3, OVR_FAKE_PLUGIN_DIR, "refuse", 0, true, true, false},      // refuses Initialize
        {3, OVR_FAKE_PLUGIN_DIR, "nolisting", 0, true, false, false},  // lacks GetAvailableChannels
        {3, OVR_FAKE_PLUGIN_DIR, "refusetm", 3, true, true, false},    // f3dbridge refuses the manager
    };
    static int object;  // its address stands for a manager: the fakes never call it
    const auto manager = reinterpret_cast<ZUtils::ThreadManager*>(&object);
    for (const auto& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        const auto initializeCalls = [&] {
            const FakePluginCalls* calls = loadedPluginCalls("vdbbridge", c.suffix);
            return calls ? calls->initialize : 0;
        };
        const int initializedBefore = initializeCalls();
        CacheIO::CachePluginTable plugins;
        EXPECT_EQ(c.loaded, plugins.LoadCachePlugins(c.which, c.directories, c.suffix, 17));
        EXPECT_EQ(17, plugins.loaderOption());  // recorded, though nothing reads it
        EXPECT_EQ(c.loaded, plugins.LoadCachePlugins(c.which, "/nowhere", "other", 0));  // not searched again
        EXPECT_EQ(initializedBefore + (c.vdbInitialized ? 1 : 0), initializeCalls());
        EXPECT_EQ(c.vdbLoaded, plugins.openVdb.isLoaded());
        // A rejected plug-in keeps no entry point.
        EXPECT_EQ((c.loaded & 2) != 0, plugins.openVdb.initialize != nullptr);
        EXPECT_EQ((c.loaded & 2) != 0, plugins.pluginForExtension("vdb") != nullptr);
        EXPECT_EQ((c.loaded & 1) != 0, plugins.pluginForExtension("f3d") != nullptr);
        EXPECT_EQ(nullptr, plugins.pluginForExtension("ovr"));

        // Every complete plug-in is handed the manager, also after another refused it, and released.
        EXPECT_EQ(c.handedOver, plugins.handOverThreadManager(manager));
        std::vector<FakePluginCalls*> complete;
        for (const char* base : {"f3dbridge", "vdbbridge"})
            if (c.loaded & (base[0] == 'f' ? 1 : 2)) complete.push_back(loadedPluginCalls(base, c.suffix));
        for (FakePluginCalls* calls : complete) ASSERT_EQ(manager, calls ? calls->threadManager : nullptr);
        plugins.releaseThreadManager();
        for (FakePluginCalls* calls : complete) EXPECT_EQ(nullptr, calls->threadManager);
    }
}
