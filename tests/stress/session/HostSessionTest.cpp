// A host session against libovrloader loaded at run time, from thread manager to unload: no frame may be
// reported unreleased, and in the asan build LeakSanitizer fails the process for any block lost.
#include "tests/stress/FrameContents.h"

#include <gtest/gtest.h>

#include <dlfcn.h>


TEST(HostSession, LoadsRunsAndUnloadsWithoutLeavingAnythingBehind) {
    const PlumeFrames files(3, 12);
    ASSERT_EQ(files.paths.size(), 3u);
    setenv("ZENTO_LOG_FILE", (files.folder / "log").c_str(), 1);  // read when the library is loaded
    void* library = dlopen(OVR_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto symbol = [library](auto type, const char* name) { return reinterpret_cast<decltype(type)>(dlsym(library, name)); };
    const auto initialise = symbol(static_cast<int (*)(const char*, const char*, int, ZUtils::ThreadManager*)>(nullptr),
                                   "_Z19initalizeOvraLoaderPKcS0_iPN6ZUtils13ThreadManagerE");
    const auto finalise = symbol(decltype(&finalizeOvraLoader)(), "_Z18finalizeOvraLoaderv");
    const auto open = symbol(decltype(&newIOvr)(), "_Z7newIOvrPKc");
    const auto release = symbol(decltype(&deleteIOvr)(), "_Z10deleteIOvrP4IOvr");
    const auto createManager = symbol(decltype(&createDefaultThreadManager)(), "_Z26createDefaultThreadManagerv");
    const auto destroyManager = symbol(decltype(&destroyDefaultThreadManager)(), "_Z27destroyDefaultThreadManagerPN6ZUtils13ThreadManagerE");
    ASSERT_TRUE(initialise && finalise && open && release && createManager && destroyManager);
    ZUtils::ThreadManager* manager = createManager();
    EXPECT_EQ(initialise(OVR_PLUGIN_DIR, OVR_PLUGIN_SUFFIX, 0, manager), 3);  // both plug-ins ready
    for (int pass = 0; pass < 2; ++pass) {
        IOvr* frames[4];
        for (size_t i = 0; i < 4; ++i) frames[i] = open(files.paths[i % 3].c_str());  // the last shares frame 0
        EXPECT_EQ(frames[3], frames[0]);
        for (IOvr* frame : frames) {
            ASSERT_NE(frame, nullptr);
            const std::vector<Words> contents = readFrame(*frame, pass);
            EXPECT_FALSE(contents[2].empty());
            for (size_t p = 0; p < contents.back().size(); ++p) EXPECT_EQ(contents.back()[p], p);
            release(frame);  // frame 0 outlives its first release through its second reference
        }
    }
    finalise();
    destroyManager(manager);
    EXPECT_EQ(dlclose(library), 0);
    unsetenv("ZENTO_LOG_FILE");
    const std::string logText = readFile(files.folder / "log");
    EXPECT_EQ(logText.find("not released"), std::string::npos) << logText;
}
