// A whole host session against libovrloader loaded at run time: load the library, make the built-in
// thread manager, initialise with the plug-ins, open, share, read and release frames, finalise,
// destroy the manager and unload. Whatever the library allocated must be gone afterwards: the
// library reports no frame left unreleased at unload, and in the asan build LeakSanitizer fails
// the process at exit for any block that the session lost.
#include "loader/api/IOvr.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The library's exports, looked up by their symbol names.
struct LoaderExports {
    int (*initialise)(const char*, const char*, int, ZUtils::ThreadManager*) = nullptr;
    void (*finalise)() = nullptr;
    IOvr* (*open)(const char*) = nullptr;
    void (*release)(IOvr*) = nullptr;
    ZUtils::ThreadManager* (*createManager)() = nullptr;
    void (*destroyManager)(ZUtils::ThreadManager*) = nullptr;

    bool resolve(void* library) {
        return find(library, "_Z19initalizeOvraLoaderPKcS0_iPN6ZUtils13ThreadManagerE", initialise) &&
               find(library, "_Z18finalizeOvraLoaderv", finalise) && find(library, "_Z7newIOvrPKc", open) &&
               find(library, "_Z10deleteIOvrP4IOvr", release) &&
               find(library, "_Z26createDefaultThreadManagerv", createManager) &&
               find(library, "_Z27destroyDefaultThreadManagerPN6ZUtils13ThreadManagerE", destroyManager);
    }

    template <class F>
    static bool find(void* library, const char* name, F& function) {
        function = reinterpret_cast<F>(dlsym(library, name));
        return function != nullptr;
    }
};

// Reads every grid value and every particle value; returns how many values were read.
int64_t readEverything(IOvr& frame) {
    int resolution[3] = {};
    frame.getResolution(resolution);
    const int64_t voxels = int64_t(resolution[0]) * resolution[1] * resolution[2];
    int64_t read = 0;
    double sum = 0;
    for (int channel = 0; channel < 32; ++channel) {
        if (const float* values = frame.getChannelData(channel)) {
            for (int64_t i = 0; i < voxels; ++i) sum += values[i];
            read += voxels;
        }
    }
    for (int g = 0; g < frame.getParticleGroupCount(); ++g) {
        IFumaraPrtGroup& group = *frame.getParticleGroup(g);
        for (int channel = 0; channel < 32; ++channel) {
            if (!group.hasChannel(channel)) continue;
            std::vector<char> value(size_t(group.getChannelByteSize(channel)) + 1);
            for (int p = 0; p < group.getCount(); ++p) read += group.getParticleValue(p, channel, value.data());
        }
        long long id = 0;
        if (group.getCount() > 0 && group.getParticleValue(0, 10, &id)) read += group.findParticleById(id) == 0;
    }
    return sum == sum ? read : -1;
}

TEST(HostSession, LoadsRunsAndUnloadsWithoutLeavingAnythingBehind) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("ovr-session-" + std::to_string(getpid()));
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
    LoaderExports ovr;
    ASSERT_TRUE(ovr.resolve(library));

    ZUtils::ThreadManager* manager = ovr.createManager();
    ASSERT_NE(manager, nullptr);
    // vdbbridge is ready (2); the manager is registered and handed to it.
    EXPECT_EQ(ovr.initialise(OVR_PLUGIN_DIR, OVR_PLUGIN_SUFFIX, 0, manager), 2);
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<IOvr*> frames;
        for (const std::string& path : paths) frames.push_back(ovr.open(path.c_str()));
        // A second reference to a shared frame.
        frames.push_back(ovr.open(paths[0].c_str()));
        EXPECT_EQ(frames.back(), frames[0]);
        for (IOvr* frame : frames) {
            ASSERT_NE(frame, nullptr);
            EXPECT_GT(readEverything(*frame), 0);
        }
        for (IOvr* frame : frames) ovr.release(frame);
    }
    ovr.finalise();
    ovr.destroyManager(manager);
    EXPECT_EQ(dlclose(library), 0);
    unsetenv("ZENTO_LOG_FILE");

    std::ifstream logFile(log);
    std::stringstream logText;
    logText << logFile.rdbuf();
    EXPECT_EQ(logText.str().find("not released"), std::string::npos) << logText.str();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

}  // namespace
