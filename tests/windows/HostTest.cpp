// A host of ovrloader.dll that knows only Microsoft's decorated names: it loads the library with
// LoadLibraryA, resolves the exports with GetProcAddress and reads frames through them, with the
// library's own thread manager and the test plug-ins found along a directory list.
#include "loader/api/IOvr.h"
#include "parallel/ThreadManager.h"
#include "tests/plugins/fakes/FakePluginCalls.h"
#include "tests/windows/WindowsTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <memory>
#include <type_traits>

// Hosts built with another compiler share these classes' tables of virtual operations; a virtual
// destructor would take different slots there.
static_assert(!std::has_virtual_destructor<IOvr>::value, "IOvr");
static_assert(!std::has_virtual_destructor<IFumaraPrtGroup>::value, "IFumaraPrtGroup");
static_assert(!std::has_virtual_destructor<ZUtils::ThreadManager>::value, "ZUtils::ThreadManager");

namespace {

// A member pointer to a function of the library, resolved by its Microsoft-decorated name.
#define LOADER_FUNCTION(function, name) decltype(&::function) function = resolve<decltype(&::function)>(name)

// The library freshly loaded from the test programs' folder, its functions resolved by their
// Microsoft-decorated names, and freed (with the plug-ins it loaded) at the end.
struct LoaderLibrary {
    ~LoaderLibrary() { FreeLibrary(module); }
    template <class Pointer>
    Pointer resolve(const char* name) {
        auto function = reinterpret_cast<Pointer>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
        complete = complete && function != nullptr;
        return function;
    }

    HMODULE module = LoadLibraryA((programDirectory() + "ovrloader.dll").c_str());
    bool complete = module != nullptr;  // loaded, and every name below resolved
    int (*initializeWithManager)(const char*, const char*, int, ZUtils::ThreadManager*) =
        resolve<int (*)(const char*, const char*, int, ZUtils::ThreadManager*)>(
            "?initalizeOvraLoader@@YAHPEBD0HPEAVThreadManager@ZUtils@@@Z");
    LOADER_FUNCTION(FumaraSDKGetVersionNumber, "?FumaraSDKGetVersionNumber@@YAIXZ");
    LOADER_FUNCTION(finalizeOvraLoader, "?finalizeOvraLoader@@YAXXZ");
    LOADER_FUNCTION(newIOvr, "?newIOvr@@YAPEAVIOvr@@PEBD@Z");
    LOADER_FUNCTION(deleteIOvr, "?deleteIOvr@@YAXPEAVIOvr@@@Z");
    LOADER_FUNCTION(createDefaultThreadManager, "?createDefaultThreadManager@@YAPEAVThreadManager@ZUtils@@XZ");
    LOADER_FUNCTION(destroyDefaultThreadManager, "?destroyDefaultThreadManager@@YAXPEAVThreadManager@ZUtils@@@Z");
};

}  // namespace

TEST(WindowsHost, ReadsAFrameWithTheLibrarysThreadManagerAndPlugins) {
    ScratchFolder scratch;
    // A name beyond the ANSI code page reaches the file through the wide calls.
    const std::string path = scratch / "plume \xE2\x82\xAC\xC3\xBC_0001.ovr";
    ASSERT_TRUE(writeCacheFrame(path, 16, {2, 4, 5, 6}));
    auto library = std::make_unique<LoaderLibrary>();
    ASSERT_TRUE(library->complete);
    EXPECT_EQ(library->FumaraSDKGetVersionNumber(), 201216u);
    ZUtils::ThreadManager* manager = library->createDefaultThreadManager();
    ASSERT_NE(manager, nullptr);
    // The manager crosses into the library and its plug-ins. Empty and missing entries of the
    // directory list are passed over; an entry may end in a backslash.
    const std::string directories = ";" + (scratch / "none") + ";;" + programDirectory() + "plugins\\";
    ASSERT_EQ(library->initializeWithManager(directories.c_str(), "fake", 0, manager), 3);
    HMODULE plugin = GetModuleHandleA("vdbbridge_fake.dll");
    ASSERT_NE(plugin, nullptr);
    const FakePluginCalls* vdb = reinterpret_cast<FakePluginCallsProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(plugin, "FakePluginCalls")))();
    EXPECT_EQ(vdb->threadManager, manager);

    IOvr* frame = library->newIOvr(path.c_str());
    ASSERT_NE(frame, nullptr);
    int resolution[3] = {};
    EXPECT_EQ(frame->getResolution(resolution), 16);
    EXPECT_EQ(resolution[2], 16);
    const float* density = frame->getChannelData(2);
    ASSERT_NE(density, nullptr);
    for (int i : {0, 1, 2047, 4095}) EXPECT_EQ(density[i], cacheValue(2, i)) << i;
    // Speed, derived from the three velocity channels by a parallel job.
    const float* speed = frame->getChannelData(3);
    ASSERT_NE(speed, nullptr);
    auto square = [](float v) { return v * v; };
    const float expected = std::sqrt(square(cacheValue(4, 1234)) + square(cacheValue(5, 1234)) + square(cacheValue(6, 1234)));
    EXPECT_NEAR(speed[1234], expected, expected * 1e-6f);
    library->deleteIOvr(frame);

    library->finalizeOvraLoader();
    EXPECT_EQ(vdb->threadManager, nullptr);
    library->destroyDefaultThreadManager(manager);
    library.reset();  // the plug-ins go with the library
    EXPECT_EQ(GetModuleHandleA("vdbbridge_fake.dll"), nullptr);
    EXPECT_EQ(GetModuleHandleA("f3dbridge_fake.dll"), nullptr);
}
