// What the host tests share: scratch files, cache and OpenVDB files with known contents, a thread
// manager of the host's own, and runs in a fresh process. The library is reached only through
// loader/api/IOvr.h and its exports; parallel/ThreadManager.h is the interface a host implements.
#pragma once

#include "loader/api/IOvr.h"
#include "parallel/ThreadManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Where the build puts the real plug-ins and the fake ones of tests/plugins/fakes.
inline const char* pluginDirectory() { return OVR_PLUGIN_DIR; }
inline const char* pluginSuffix() { return OVR_PLUGIN_SUFFIX; }
inline const char* fakePluginDirectory() { return OVR_FAKE_PLUGIN_DIR; }

// A directory of scratch files, removed with its files at the end of a test.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    // The path of a file in the directory, removed with it.
    std::string path(const std::string& name);
    const std::string& root() const { return root_; }

private:
    std::string root_;
    std::vector<std::string> files_;
};

// A cache file of a grid of resolution x, y, z whose channel c (for each c given) holds the value
// cacheValue(c, i) at element i, with the transform given (12 floats).
bool writeCacheFile(const std::string& path, int x, int y, int z, const std::vector<int>& channels,
                    const float transform[12]);
float cacheValue(int channel, int element);

// Sets the file's modification time (seconds since 1970).
bool setModificationTime(const std::string& path, long long seconds);

// A host's own thread pool: one new thread per startThread, joined when the manager goes.
class HostThreadManager final : public ZUtils::ThreadManager {
public:
    ~HostThreadManager() { terminateThreads(true); }
    void terminateThreads(bool) override;
    int run(int, MultiThreadProcedure*, ProgressCallback*, bool) override { return 0; }
    void setLowPriority(int) override {}
    int startThread(ZUtils::ThreadProcedure* procedure, int argument) override;
    void setStackSize(int) override {}
    int getThreadIndex() override { return -1; }

    std::atomic<int> started{0};

private:
    std::mutex lock_;
    std::vector<std::thread> threads_;
};

// Collects failed expectations of a run in a fresh process, reporting them on standard error.
class ProcessChecks {
public:
    void expect(bool condition, const char* what) {
        if (condition) return;
        std::fprintf(stderr, "failed: %s\n", what);
        ok_ = false;
    }
    int exitCode() const { return ok_ ? 0 : 1; }

private:
    bool ok_ = true;
};

// Runs `body` (a function of ProcessChecks&) in a new process of this program, in which the
// library is as freshly loaded, and expects all its checks to hold.
#define EXPECT_IN_FRESH_PROCESS(body)                                                   \
    do {                                                                                \
        GTEST_FLAG_SET(death_test_style, "threadsafe");                                 \
        EXPECT_EXIT(                                                                    \
            {                                                                           \
                ProcessChecks checks;                                                   \
                body(checks);                                                           \
                std::exit(checks.exitCode());                                           \
            },                                                                          \
            ::testing::ExitedWithCode(0), "");                                          \
    } while (0)
