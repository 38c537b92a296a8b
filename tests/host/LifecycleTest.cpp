// Initialisation, finalisation and thread managers through the exports. Cases that depend on what
// the process has loaded before run in a fresh process of their own.
#include "tests/host/HostSupport.h"

#include <dlfcn.h>

#include "tests/plugins/fakes/FakePluginCalls.h"

namespace {

const float Identity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

// Expands the speed channel of a fresh cache frame: a parallel job.
bool expandSpeed(ScratchDirectory& scratch, const char* name) {
    const std::string path = scratch.path(name);
    if (!writeCacheFile(path, 8, 8, 8, {4, 5, 6}, Identity)) return false;
    IOvr* frame = newIOvr(path.c_str());
    if (!frame) return false;
    const bool expanded = frame->getChannelData(3) != nullptr;
    deleteIOvr(frame);
    return expanded;
}

// Calls recorded by a loaded fake plug-in, or null when it is not loaded.
FakePluginCalls* fakeCalls(const char* file) {
    const std::string path = std::string(fakePluginDirectory()) + "/" + file;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!module) return nullptr;
    auto calls = reinterpret_cast<FakePluginCallsProc>(dlsym(module, "FakePluginCalls"));
    FakePluginCalls* result = calls ? calls() : nullptr;
    dlclose(module);
    return result;
}

} // namespace

TEST(Lifecycle, WithoutPluginsNothingIsLoadedAndTheManagerStaysUnused) {
    EXPECT_IN_FRESH_PROCESS([](ProcessChecks& checks) {
        HostThreadManager manager;
        checks.expect(initalizeOvraLoader("", pluginSuffix(), 0) == 0, "empty list loads nothing");
        checks.expect(initalizeOvraLoader(";;", pluginSuffix(), 0, &manager) == 0, "no plug-in, no manager");
        ScratchDirectory scratch;
        checks.expect(expandSpeed(scratch, "a.ovr"), "cache frames load without plug-ins");
        checks.expect(manager.started == 0, "the manager was not registered");
        const std::string vdb = scratch.path("a.vdb");
        checks.expect(newIOvrWithChannelsMapping(vdb.c_str(), "2,density;") == nullptr, "no vdb without plug-in");
        char name[8] = "x";
        checks.expect(ovrGet3rdPartyChannelName(name, sizeof name, nullptr, vdb.c_str(), 0) == -1, "no channels");
        checks.expect(ovrGenerateDefaultChannelMappings(name, sizeof name, vdb.c_str()) == 1 && name[0] == 0,
                      "no default mappings");
        finalizeOvraLoader();
        finalizeOvraLoader();
    });
}

TEST(Lifecycle, FinalizingFirstDoesNoHarm) {
    EXPECT_IN_FRESH_PROCESS([](ProcessChecks& checks) {
        finalizeOvraLoader();
        ScratchDirectory scratch;
        checks.expect(expandSpeed(scratch, "a.ovr"), "cache frames still load");
        checks.expect(initalizeOvraLoader(pluginDirectory(), pluginSuffix(), 0) == 2, "plug-in loads afterwards");
        finalizeOvraLoader();
    });
}

TEST(Lifecycle, PluginsWithoutAnEntryPointOrRefusingInitializeAreNotLoaded) {
    EXPECT_IN_FRESH_PROCESS([](ProcessChecks& checks) {
        checks.expect(initalizeOvraLoader(fakePluginDirectory(), "nolisting", 0) == 0, "entry point missing");
        checks.expect(initalizeOvraLoader(fakePluginDirectory(), "nolisting", 0) == 0, "still not loaded");
    });
    EXPECT_IN_FRESH_PROCESS([](ProcessChecks& checks) {
        checks.expect(initalizeOvraLoader(fakePluginDirectory(), "refuse", 0) == 0, "Initialize refused");
        FakePluginCalls* calls = fakeCalls("vdbbridge_refuse.so");
        checks.expect(calls && calls->initialize == 1, "the refusing library stays loaded, asked once");
        checks.expect(initalizeOvraLoader(fakePluginDirectory(), "refuse", 0) == 0, "still rejected");
        checks.expect(calls && calls->initialize == 1, "not asked again");
    });
}

TEST(Lifecycle, ASecondInitializationReusesTheLoadedPlugins) {
    EXPECT_IN_FRESH_PROCESS([](ProcessChecks& checks) {
        checks.expect(initalizeOvraLoader(fakePluginDirectory(), "fake", 0) == 3, "both fakes load");
        FakePluginCalls* vdb = fakeCalls("vdbbridge_fake.so");
        checks.expect(vdb && vdb->initialize == 1, "initialised once");
        checks.expect(initalizeOvraLoader(nullptr, nullptr, 0) == 3, "reported again without a search");
        checks.expect(vdb && vdb->initialize == 1, "not initialised again");
        // The fake imports any .vdb path: a refused import yields no frame.
        checks.expect(newIOvrWithChannelsMapping("refuse.vdb", "2,density;") == nullptr, "plug-in code fails");
        finalizeOvraLoader();
    });
}

TEST(Lifecycle, TheHostsManagerRunsTheLibrarysWorkUntilFinalized) {
    EXPECT_IN_FRESH_PROCESS([](ProcessChecks& checks) {
        HostThreadManager manager;
        checks.expect(initalizeOvraLoader(fakePluginDirectory(), "fake", 0, &manager) == 3, "manager accepted");
        FakePluginCalls* vdb = fakeCalls("vdbbridge_fake.so");
        FakePluginCalls* f3d = fakeCalls("f3dbridge_fake.so");
        checks.expect(vdb && vdb->threadManager == &manager && f3d && f3d->threadManager == &manager,
                      "both plug-ins got the manager");
        ScratchDirectory scratch;
        checks.expect(expandSpeed(scratch, "a.ovr"), "speed expanded");
        const int started = manager.started;
        checks.expect(started > 0, "the library's parallel work ran on the host's threads");
        finalizeOvraLoader();
        checks.expect(vdb && vdb->threadManager == nullptr && f3d && f3d->threadManager == nullptr,
                      "the plug-ins let go of it");
        checks.expect(expandSpeed(scratch, "b.ovr"), "speed expanded after finalizing");
        checks.expect(manager.started == started, "the manager is no longer used");
    });
}

TEST(Lifecycle, ARefusedManagerFailsTheInitialization) {
    EXPECT_IN_FRESH_PROCESS([](ProcessChecks& checks) {
        HostThreadManager manager;
        checks.expect(initalizeOvraLoader(fakePluginDirectory(), "refusetm", 0, &manager) == 0, "refused");
        FakePluginCalls* vdb = fakeCalls("vdbbridge_refusetm.so");
        checks.expect(vdb && vdb->setThreadManager == 1, "the second plug-in was still asked");
        finalizeOvraLoader();
    });
}

TEST(Lifecycle, TheDefaultThreadManagerServesTheLibrary) {
    ZUtils::ThreadManager* manager = createDefaultThreadManager();
    ASSERT_NE(nullptr, manager);
    EXPECT_EQ(2, initalizeOvraLoader(pluginDirectory(), pluginSuffix(), 0, manager));
    ScratchDirectory scratch;
    EXPECT_TRUE(expandSpeed(scratch, "a.ovr"));
    finalizeOvraLoader();
    destroyDefaultThreadManager(manager);
    destroyDefaultThreadManager(nullptr);
    HostThreadManager own;
    destroyDefaultThreadManager(&own);  // not the library's: left alone
    EXPECT_EQ(0, own.started);
}
