// A whole host session against libovrloader loaded at run time: make the built-in thread manager,
// initialise with the plug-ins, open, share, read and release frames, finalise, destroy the manager
// and unload. The library must report no frame left unreleased at unload, and in the asan build
// LeakSanitizer fails the process at exit for any block that the session lost.
#include "tests/stress/FrameContents.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

TEST(HostSession, LoadsRunsAndUnloadsWithoutLeavingAnythingBehind) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("ovr-session-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    OvrSynth::FrameOptions options;
    options.plume.resolution = 12;
    for (int f = 0; f < 3; ++f) {
        paths.push_back((folder / ("plume_" + std::to_string(f) + ".ovr")).string());
        ASSERT_TRUE(OvrWriter::writeBytes(paths.back(), OvrSynth::buildPlumeFrame(options, f)));
    }
    // The library reads its log settings when it is loaded.
    const std::string log = (folder / "loader.log").string();
    setenv("ZENTO_LOG_FILE", log.c_str(), 1);
    void* library = dlopen(OVR_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    // The exports, looked up by their symbol names.
    auto initialise = reinterpret_cast<int (*)(const char*, const char*, int, ZUtils::ThreadManager*)>(
        dlsym(library, "_Z19initalizeOvraLoaderPKcS0_iPN6ZUtils13ThreadManagerE"));
    auto finalise = reinterpret_cast<void (*)()>(dlsym(library, "_Z18finalizeOvraLoaderv"));
    auto open = reinterpret_cast<IOvr* (*)(const char*)>(dlsym(library, "_Z7newIOvrPKc"));
    auto release = reinterpret_cast<void (*)(IOvr*)>(dlsym(library, "_Z10deleteIOvrP4IOvr"));
    auto createManager = reinterpret_cast<ZUtils::ThreadManager* (*)()>(dlsym(library, "_Z26createDefaultThreadManagerv"));
    auto destroyManager = reinterpret_cast<void (*)(ZUtils::ThreadManager*)>(
        dlsym(library, "_Z27destroyDefaultThreadManagerPN6ZUtils13ThreadManagerE"));
    ASSERT_TRUE(initialise && finalise && open && release && createManager && destroyManager);

    ZUtils::ThreadManager* manager = createManager();
    ASSERT_NE(manager, nullptr);
    // vdbbridge is ready (2); the manager is registered and handed to it.
    EXPECT_EQ(initialise(OVR_PLUGIN_DIR, OVR_PLUGIN_SUFFIX, 0, manager), 2);
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<IOvr*> frames;
        for (const std::string& path : paths) frames.push_back(open(path.c_str()));
        frames.push_back(open(paths[0].c_str()));  // a second reference to a shared frame
        EXPECT_EQ(frames.back(), frames[0]);
        for (IOvr* frame : frames) {
            ASSERT_NE(frame, nullptr);
            const std::vector<Words> contents = readFrame(*frame, pass);
            EXPECT_FALSE(contents[2].empty());
            for (size_t p = 0; p < contents.back().size(); ++p) EXPECT_EQ(contents.back()[p], p);
        }
        for (IOvr* frame : frames) release(frame);
    }
    finalise();
    destroyManager(manager);
    EXPECT_EQ(dlclose(library), 0);
    unsetenv("ZENTO_LOG_FILE");
    std::stringstream logText;
    logText << std::ifstream(log).rdbuf();
    EXPECT_EQ(logText.str().find("not released"), std::string::npos) << logText.str();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
