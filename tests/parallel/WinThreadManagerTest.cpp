#include "parallel/WinThreadManager.h"

#include "parallel/ThreadEnvironment.h"
#include "platform/Thread.h"
#include "tests/utils/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>

using ZUtils::WinThreadManager;

namespace {

// Records each call by thread index; `hold` keeps every call until all have arrived (distinct threads).
struct RecordingProcedure : MultiThreadProcedure {
    explicit RecordingProcedure(ZUtils::ThreadManager* manager, bool hold = false) : manager(manager), hold(hold) {}
    void run(int* result, int* progress, int threadIndex, int threadCount) override {
        *progress = 10;
        if (threadIndex == 0 && resultOfFirst != 0) *result = resultOfFirst;
        std::unique_lock<std::mutex> lock(mutex);
        calls.insert({threadIndex, {threadCount, manager->getThreadIndex()}});
        threadIds.insert(Platform::currentThreadId());
        if (threadIndex == 0) firstDone.set();
        arrived.notify_all();
        if (hold) arrived.wait(lock, [&] { return static_cast<int>(calls.size()) >= threadCount; });
    }

    ZUtils::ThreadManager* manager;
    bool hold;
    std::multimap<int, std::pair<int, int>> calls;  // thread index -> thread count, getThreadIndex() there
    std::set<unsigned long> threadIds;
    int resultOfFirst = 0;
    Platform::Event firstDone{true};  // set by the call of index 0
    std::condition_variable arrived;
    std::mutex mutex;
};

// Records what the waiting caller's thread was told; interactive with a gate, which each message round waits for.
struct RecordingProgress : ProgressCallback {
    void setProgress(int done) override { lastProgress = done; }
    int getAbort() override { return abortCode; }
    int isInteractive() override { return gate != nullptr ? 1 : 0; }
    void processMessages() override {
        ++messageRounds;
        gate->wait(30000);
    }
    void info(int kind, int duration, const char* format, ...) override {
        events += std::to_string(kind) + " " + std::to_string(duration) + " " + format;
    }
    void onSetUp() override { events += "onSetUp|"; }
    void onDone() override { events += "onDone|"; }

    std::string events;
    int lastProgress = -1, messageRounds = 0, abortCode = 0;
    Platform::Event* gate = nullptr;
};

}  // namespace

TEST(WinThreadManager, RunGivesEveryIndexAPooledThreadUntilThePoolIsTerminated) {
    WinThreadManager manager(false, nullptr);
    std::set<unsigned long> firstThreads;
    for (int threads : {4, 4, 2, 5}) {
        RecordingProcedure procedure(&manager, true);
        RecordingProgress progress;
        EXPECT_EQ(manager.run(threads, &procedure, &progress, true), 0);
        EXPECT_EQ(progress.events, "0 30000 Setting up %i thread(s)\nonSetUp|onDone|0 30000 Threads completed\n");
        EXPECT_EQ(progress.lastProgress, 10 * threads);
        ASSERT_EQ(procedure.calls.size(), static_cast<size_t>(threads));
        for (const auto& call : procedure.calls) EXPECT_EQ(call.second, std::make_pair(threads, call.first));
        EXPECT_EQ(procedure.threadIds.size(), static_cast<size_t>(threads));
        EXPECT_EQ(procedure.threadIds.count(Platform::currentThreadId()), 0u);
        if (firstThreads.empty()) firstThreads = procedure.threadIds;
        EXPECT_TRUE(threads != 4 || procedure.threadIds == firstThreads);  // reused
        EXPECT_EQ(manager.poolSize(), std::max(threads, 4)) << threads;
    }
    EXPECT_EQ(manager.getThreadIndex(), -1);
    EXPECT_EQ(manager.startThread(nullptr, 0), -1);
    TestSupport::DebugOutputCapture capture;
    manager.terminateThreads(false);
    EXPECT_EQ(manager.poolSize(), 0);
    const std::vector<std::string>& texts = capture.texts;
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "[WinThreadManager] Thread is terminating\n"), 5);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "[WinThreadManager] Thread did not terminate for the timeout interval\n"), 0);
    RecordingProcedure defaultCount(&manager);  // in a new pool
    EXPECT_EQ(manager.run(0, &defaultCount, nullptr, false), 0);
    EXPECT_EQ(static_cast<int>(defaultCount.calls.size()), ZUtils::getDefaultThreadCount());
}

TEST(WinThreadManager, ThreadsThatFindTheResultWordSetSkipTheirCall) {
    WinThreadManager manager(false, nullptr);
    RecordingProcedure warmUp(&manager);
    manager.run(1, &warmUp, nullptr, false);
    // Index 0 goes to the free thread. A later index reuses it after index 0 is done, or needs a new
    // thread, whose creation the interactive progress object holds up until index 0 set the result word.
    RecordingProcedure skipped(&manager), aborted(&manager);
    skipped.resultWord = 99;  // cleared before any thread looks
    skipped.progressBase = 5;
    skipped.resultOfFirst = 7;
    RecordingProgress progress;
    progress.gate = &skipped.firstDone;
    EXPECT_EQ(manager.run(3, &skipped, &progress, false), 7);
    EXPECT_EQ(skipped.calls.size(), 1u);
    EXPECT_EQ(skipped.calls.count(0), 1u);
    EXPECT_EQ(skipped.progressBase, 0);
    EXPECT_GE(progress.messageRounds, 1);
    progress.abortCode = 9;  // a stop request of the progress object becomes the result
    EXPECT_EQ(manager.run(2, &aborted, &progress, false), 9);
    EXPECT_EQ(progress.lastProgress, -1);  // reported only when asked for
}
