// A host of ovrloader.dll that knows only Microsoft's decorated names: it loads the library with
// LoadLibraryA, resolves the exports with GetProcAddress and reads frames through them, with the
// library's own thread manager and the test plug-ins found along a directory list.
#include "tests/plugins/fakes/FakePluginCalls.h"
#include "tests/parallel/Procedures.h"
#include "tests/windows/LoaderExports.h"
#include "tests/windows/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>

// Hosts built with another compiler share these classes' tables of virtual operations; a virtual
// destructor would take different slots there.
static_assert(!std::has_virtual_destructor<IOvr>::value, "IOvr");
static_assert(!std::has_virtual_destructor<IFumaraPrtGroup>::value, "IFumaraPrtGroup");
static_assert(!std::has_virtual_destructor<ZUtils::ThreadManager>::value, "ZUtils::ThreadManager");

namespace {

const float kTransform[12] = {0.5f, 0, 0, 0, 0.5f, 0, 0, 0, 0.5f, 1, 2, 3};

std::string pluginDirectory() { return programDirectory() + "plugins"; }

// What the fake plug-in of that file name recorded, or null when it is not loaded.
FakePluginCalls* fakeCalls(const char* file) {
    HMODULE module = GetModuleHandleA(file);
    if (module == nullptr) return nullptr;
    const auto calls = reinterpret_cast<FakePluginCallsProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "FakePluginCalls")));
    return calls != nullptr ? calls() : nullptr;
}

}  // namespace

TEST(WindowsHost, EveryExportResolvesUnderBothNamesToTheSameCode) {
    LoaderLibrary library;
    ASSERT_NE(library.module(), nullptr);
    for (const ExportNames& names : kLoaderExports) {
        const FARPROC microsoft = GetProcAddress(library.module(), names.microsoft);
        EXPECT_NE(microsoft, nullptr) << names.microsoft;
        EXPECT_EQ(microsoft, GetProcAddress(library.module(), names.gcc)) << names.microsoft;
    }
    EXPECT_TRUE(library.complete());
    EXPECT_EQ(library->FumaraSDKGetVersionNumber(), 201216u);
    EXPECT_EQ(GetProcAddress(library.module(), "_ZN15FumaraFrameData9ImportOvrEPKcb"), nullptr);
}

TEST(WindowsHost, ReadsAFrameWithTheLibrarysThreadManager) {
    ScratchFolder scratch;
    // A name beyond the ANSI code page reaches the file through the wide calls.
    const std::string path = scratch / "plume \xE2\x82\xAC\xC3\xBC_0001.ovr";
    ASSERT_TRUE(writeCacheFrame(path, 16, 16, 16, {2, 4, 5, 6}, kTransform));

    LoaderLibrary library;
    ASSERT_TRUE(library.complete());
    ZUtils::ThreadManager* manager = library->createDefaultThreadManager();
    ASSERT_NE(manager, nullptr);
    // The manager crosses into the library and its plug-ins.
    ASSERT_EQ(library->initalizeOvraLoaderWithManager(pluginDirectory().c_str(), "fake", 0, manager), 3);
    const FakePluginCalls* vdb = fakeCalls("vdbbridge_fake.dll");
    ASSERT_NE(vdb, nullptr);
    EXPECT_EQ(vdb->threadManager, manager);

    IOvr* frame = library->newIOvr(path.c_str());
    ASSERT_NE(frame, nullptr);
    int resolution[3] = {};
    EXPECT_EQ(frame->getResolution(resolution), 16);
    EXPECT_EQ(resolution[2], 16);
    float transform[12] = {};
    frame->getTransform(transform);
    EXPECT_EQ(std::memcmp(transform, kTransform, sizeof transform), 0);
    const float* density = frame->getChannelData(2);
    ASSERT_NE(density, nullptr);
    for (int i : {0, 1, 2047, 4095}) EXPECT_EQ(density[i], cacheValue(2, i)) << i;
    // Speed, derived from the three velocity channels by a parallel job.
    const float* speed = frame->getChannelData(3);
    ASSERT_NE(speed, nullptr);
    const int i = 1234;
    const float expected = std::sqrt(cacheValue(4, i) * cacheValue(4, i) + cacheValue(5, i) * cacheValue(5, i) +
                                     cacheValue(6, i) * cacheValue(6, i));
    EXPECT_NEAR(speed[i], expected, expected * 1e-6f);
    EXPECT_EQ(library->newIOvr(path.c_str()), frame);  // shared while unchanged
    library->deleteIOvr(frame);
    library->deleteIOvr(frame);

    IOvr* header = library->newIOvrWithChannelsMappingMaxVox(path.c_str(), nullptr, -1, true);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->hasChannel(4), 1);
    library->deleteIOvr(header);
    EXPECT_EQ(library->newIOvrMaxVox((scratch / "missing.ovr").c_str(), 100, false), nullptr);

    // The built-in manager serves the host directly as well.
    TestSupport::RecordingProcedure procedure(manager);
    procedure.holdUntilAllArrive();
    EXPECT_EQ(manager->run(4, &procedure, nullptr, false), 0);
    EXPECT_EQ(procedure.callCount, 4);
    EXPECT_EQ(procedure.threadIds().size(), 4u);

    library->finalizeOvraLoader();
    EXPECT_EQ(vdb->threadManager, nullptr);
    library->destroyDefaultThreadManager(manager);
}

TEST(WindowsHost, PluginsAreFoundAlongADirectoryListAndFreedWithTheLibrary) {
    ScratchFolder scratch;
    const std::string vdb = scratch.write("smoke.vdb", "density 0\nvel.x 1\n");
    {
        LoaderLibrary library;
        ASSERT_TRUE(library.complete());
        // Empty and missing entries are passed over; an entry may end in a backslash.
        const std::string directories = ";" + (scratch / "none") + ";;" + pluginDirectory() + "\\";
        EXPECT_EQ(library->initalizeOvraLoader(directories.c_str(), "fake", 0), 3);
        const FakePluginCalls* calls = fakeCalls("vdbbridge_fake.dll");
        ASSERT_NE(calls, nullptr);
        EXPECT_EQ(calls->initialize, 1);
        EXPECT_EQ(library->initalizeOvraLoader(nullptr, nullptr, 0), 3);
        EXPECT_EQ(calls->initialize, 1);

        char name[32] = {};
        int flag = -1;
        EXPECT_EQ(library->ovrGet3rdPartyChannelName(name, sizeof name, &flag, vdb.c_str(), 1), 1);
        EXPECT_STREQ(name, "vel.x");
        EXPECT_EQ(flag, 1);
        IOvr* frame = library->newIOvrWithChannelsMapping(vdb.c_str(), "2,density;");
        ASSERT_NE(frame, nullptr);
        const float* values = frame->getChannelData(2);
        ASSERT_NE(values, nullptr);
        EXPECT_EQ(values[7], 2.0f);
        library->deleteIOvr(frame);
        library->finalizeOvraLoader();
    }
    EXPECT_EQ(GetModuleHandleA("vdbbridge_fake.dll"), nullptr);
    EXPECT_EQ(GetModuleHandleA("f3dbridge_fake.dll"), nullptr);

    LoaderLibrary fresh;
    ASSERT_TRUE(fresh.complete());
    EXPECT_EQ(fresh->initalizeOvraLoader((scratch / "none").c_str(), "fake", 0), 0);
    EXPECT_EQ(fresh->initalizeOvraLoader(";;;", "fake", 0), 0);
    EXPECT_EQ(fresh->initalizeOvraLoader(pluginDirectory().c_str(), "refuse", 0), 0);
    const FakePluginCalls* refusing = fakeCalls("vdbbridge_refuse.dll");
    ASSERT_NE(refusing, nullptr);
    EXPECT_EQ(refusing->initialize, 1);
    EXPECT_EQ(fresh->newIOvrWithChannelsMapping(vdb.c_str(), "2,density;"), nullptr);
    fresh->finalizeOvraLoader();
}
