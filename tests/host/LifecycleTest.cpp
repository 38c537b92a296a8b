// Initialisation, finalisation and thread managers, each run in a fresh process (loaded plug-ins stay).
#include "parallel/ThreadManager.h"
#include "tests/host/HostSupport.h"
#include "tests/plugins/fakes/FakePluginCalls.h"

#include <thread>

namespace {

// A host's own thread pool (parallel/ThreadManager.h): a thread per startThread, joined at the end.
class HostThreadManager final : public ZUtils::ThreadManager {
public:
    ~HostThreadManager() { terminateThreads(true); }
    void terminateThreads(bool) override {
        for (std::thread& thread : threads) thread.join();
        threads.clear();
    }
    int startThread(ZUtils::ThreadProcedure* procedure, int argument) override {
        threads.emplace_back([procedure, argument] { procedure->run(argument); });
        return 0;
    }
    int run(int, MultiThreadProcedure*, ProgressCallback*, bool) override { return 0; }
    int getThreadIndex() override { return -1; }
    void setLowPriority(int) override {}
    void setStackSize(int) override {}

    std::vector<std::thread> threads;  // started, not yet joined
};

// Runs body, which returns the failed check or null, in a new process of this program; expects null.
template <class Body>
void expectInFreshProcess(Body body) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto run = [&] {
        const char* failed = body();
        std::fprintf(stderr, "failed: %s\n", failed ? failed : "nothing");
        std::exit(failed ? 1 : 0);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "failed: nothing");
}

// Loads a new cache frame and expands its speed channel: a parallel job of the library.
bool expandsSpeed(const std::string& path) {
    IOvr* frame = writeCacheFile(path, 8, 8, 8, {4, 5, 6}) ? newIOvr(path.c_str()) : nullptr;
    const bool expanded = frame && frame->getChannelData(3);
    deleteIOvr(frame);
    return expanded;
}

} // namespace

TEST(Lifecycle, TheHostsManagerRunsTheLibrarysWorkWhilePluginsAreLoaded) {
    expectInFreshProcess([]() -> const char* {
        ScratchDirectory scratch;
        HostThreadManager manager;
        finalizeOvraLoader();  // before initialising: no harm done
        if (initalizeOvraLoader(";;", "fake", 0, &manager) != 0) return "no plug-in loads";
        if (!expandsSpeed(scratch / "a.ovr") || !manager.threads.empty()) return "without plug-ins it is not used";
        if (initalizeOvraLoader(OVR_FAKE_PLUGIN_DIR, "fake", 0, &manager) != 3) return "the manager is accepted";
        FakePluginCalls *vdb = loadedPluginCalls("vdbbridge", "fake"), *f3d = loadedPluginCalls("f3dbridge", "fake");
        if (!vdb || !f3d || vdb->threadManager != &manager || f3d->threadManager != &manager) return "plug-ins got it";
        if (initalizeOvraLoader(nullptr, nullptr, 0) != 3 || vdb->initialize != 1) return "loaded plug-ins are kept";
        if (!expandsSpeed(scratch / "b.ovr") || manager.threads.empty()) return "the library's work runs on the manager";
        const size_t started = manager.threads.size();
        finalizeOvraLoader();
        if (vdb->threadManager || f3d->threadManager) return "the plug-ins let go of the manager";
        if (!expandsSpeed(scratch / "c.ovr") || manager.threads.size() != started) return "so does the library";
        finalizeOvraLoader();
        // The library's own manager, which it destroys only when it made it.
        ZUtils::ThreadManager* own = createDefaultThreadManager();
        if (!own || initalizeOvraLoader(nullptr, nullptr, 0, own) != 3 || !expandsSpeed(scratch / "d.ovr")) return "own";
        finalizeOvraLoader();
        destroyDefaultThreadManager(own);
        destroyDefaultThreadManager(nullptr);
        destroyDefaultThreadManager(&manager);  // left alone, or the process would crash
        return nullptr;
    });
    expectInFreshProcess([]() -> const char* {
        HostThreadManager manager;  // refused by the f3dbridge fake
        return initalizeOvraLoader(OVR_FAKE_PLUGIN_DIR, "refusetm", 0, &manager) == 0 ? nullptr : "a refusal fails";
    });
}
