#include "parallel/WinThreadManager.h"

#include "Procedures.h"
#include "parallel/ThreadEnvironment.h"
#include "tests/platform/ScratchDirectory.h"
#include "tests/utils/LogCapture.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <thread>

using TestSupport::RecordingProcedure;
using TestSupport::RecordingProgress;
using ZUtils::WinThreadManager;

namespace {

// Records one startThread call.
class RecordingThreadProcedure : public ZUtils::ThreadProcedure {
public:
    explicit RecordingThreadProcedure(ZUtils::ThreadManager* manager) : m_manager(manager) {}
    void run(std::intptr_t value) override {
        argument = value;
        managerIndex = m_manager->getThreadIndex();
        priority = Platform::currentThreadPriority();
        Platform::getCurrentThreadAffinity(affinity);
        char text[32] = {};
        pthread_getname_np(pthread_self(), text, sizeof text);
        name = text;
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            pthread_attr_getstacksize(&attributes, &stackSize);
            pthread_attr_destroy(&attributes);
        }
        done.set();
    }
    const char* getName() override { return "recorder"; }

    std::intptr_t argument = -1;
    int managerIndex = -2;
    Platform::ThreadPriority priority = Platform::ThreadPriority::Normal;
    Platform::CpuSet affinity;
    std::string name;
    std::size_t stackSize = 0;
    Platform::Event done{true};

private:
    ZUtils::ThreadManager* m_manager;
};

std::vector<int> processProcessors() {
    Platform::CpuSet set;
    std::vector<int> list;
    Platform::getProcessAffinity(set);
    for (int p = 0; p < Platform::CpuSet::kMaxProcessors; ++p) {
        if (set.contains(p)) list.push_back(p);
    }
    return list;
}

Platform::CpuSet single(int processor) {
    Platform::CpuSet set;
    set.add(processor);
    return set;
}

bool lowestPriorityAlready() {
    errno = 0;
    return getpriority(PRIO_PROCESS, 0) >= 19;
}

// A node list of two nodes with one processor each, taken from the processors of the process.
class TwoNodeList {
public:
    explicit TwoNodeList(const std::vector<int>& processors) {
        for (int i = 0; i < 2; ++i) {
            const std::string name = "node" + std::to_string(i);
            mkdir((m_root / name).c_str(), 0755);
            m_root.write(name + "/cpulist", std::to_string(processors[i]) + "\n");
        }
    }
    const char* path() const { return m_root.path().c_str(); }

private:
    ScratchDirectory m_root;
};

}  // namespace

TEST(WinThreadManager, RunExecutesEveryThreadIndexOnceAndWaits) {
    WinThreadManager manager(false, nullptr);
    RecordingProcedure procedure(&manager);
    procedure.holdUntilAllArrive();
    EXPECT_EQ(manager.run(4, &procedure, nullptr, false), 0);
    ASSERT_EQ(procedure.calls.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(procedure.calls.count(i), 1u) << i;
        const RecordingProcedure::Call& call = procedure.calls.find(i)->second;
        EXPECT_EQ(call.threadCount, 4);
        EXPECT_EQ(call.managerIndex, i);
        EXPECT_NE(call.threadId, Platform::currentThreadId());
    }
    EXPECT_EQ(procedure.threadIds().size(), 4u);
    EXPECT_EQ(manager.getThreadIndex(), -1);
}

TEST(WinThreadManager, ZeroThreadsMeansTheDefaultCount) {
    WinThreadManager manager(false, nullptr);
    RecordingProcedure procedure(&manager);
    manager.run(0, &procedure, nullptr, false);
    EXPECT_EQ(static_cast<int>(procedure.calls.size()), ZUtils::getDefaultThreadCount());
}

TEST(WinThreadManager, ThreadsAreReusedAndThePoolGrowsOnlyWhenNeeded) {
    // Each procedure holds its threads until all have arrived, so a run of n needs n threads.
    WinThreadManager manager(false, nullptr);
    RecordingProcedure first(&manager);
    first.holdUntilAllArrive();
    manager.run(3, &first, nullptr, false);
    EXPECT_EQ(manager.poolSize(), 3);
    RecordingProcedure second(&manager);
    second.holdUntilAllArrive();
    manager.run(3, &second, nullptr, false);
    EXPECT_EQ(manager.poolSize(), 3);
    EXPECT_EQ(second.threadIds(), first.threadIds());
    RecordingProcedure fewer(&manager);
    fewer.holdUntilAllArrive();
    manager.run(2, &fewer, nullptr, false);
    EXPECT_EQ(manager.poolSize(), 3);
    RecordingProcedure more(&manager);
    more.holdUntilAllArrive();
    manager.run(5, &more, nullptr, false);
    EXPECT_EQ(manager.poolSize(), 5);
}

TEST(WinThreadManager, RunReturnsTheResultWordAndClearsItFirst) {
    WinThreadManager manager(false, nullptr);
    RecordingProcedure procedure(&manager);
    procedure.resultWord = 99;
    procedure.progressBase = 5;
    procedure.resultOfFirst = 7;
    EXPECT_EQ(manager.run(1, &procedure, nullptr, false), 7);
    EXPECT_EQ(procedure.callCount, 1);  // 99 was cleared before the thread looked
    EXPECT_EQ(procedure.progressBase, 0);
}

TEST(WinThreadManager, ThreadsThatFindTheResultWordSetSkipTheirCall) {
    WinThreadManager manager(false, nullptr);
    RecordingProcedure warmUp(&manager);
    manager.run(1, &warmUp, nullptr, false);
    ASSERT_EQ(manager.poolSize(), 1);
    // Index 0 goes to the free thread. A later index either reuses that thread after index 0 is
    // done, or needs a new thread, whose creation the interactive progress object holds up until
    // index 0 has set the result word. Either way indices 1 and 2 find it set.
    RecordingProcedure procedure(&manager);
    procedure.resultOfFirst = 7;
    RecordingProgress progress;
    progress.interactive = true;
    progress.gate = &procedure.firstDone;
    EXPECT_EQ(manager.run(3, &procedure, &progress, false), 7);
    EXPECT_EQ(procedure.callCount, 1);
    EXPECT_EQ(procedure.calls.count(0), 1u);
    EXPECT_GE(progress.messageRounds, 1);
}

TEST(WinThreadManager, ProgressObjectIsToldOfSetUpProgressAndCompletion) {
    WinThreadManager manager(false, nullptr);
    RecordingProcedure procedure(&manager, 10);
    RecordingProgress progress;
    EXPECT_EQ(manager.run(2, &procedure, &progress, true), 0);
    const std::vector<std::string> expected = {"info 0 30000 Setting up 2 thread(s)\n", "onSetUp", "onDone",
                                               "info 0 30000 Threads completed\n"};
    EXPECT_EQ(progress.events, expected);
    EXPECT_GE(progress.progressReports, 1);
    EXPECT_EQ(progress.lastProgress, 20);
    EXPECT_EQ(progress.messageRounds, 0);  // not interactive
}

TEST(WinThreadManager, AbortRequestBecomesTheResult) {
    WinThreadManager manager(false, nullptr);
    RecordingProcedure procedure(&manager);
    RecordingProgress progress;
    progress.abortCode = 9;
    EXPECT_EQ(manager.run(2, &procedure, &progress, false), 9);
    EXPECT_EQ(progress.progressReports, 0);  // progress not requested
}

TEST(WinThreadManager, ConcurrentRunsKeepTheirOwnResults) {
    WinThreadManager manager(false, nullptr);
    auto caller = [&manager](int result, bool* allGood) {
        for (int round = 0; round < 20; ++round) {
            RecordingProcedure procedure(&manager);
            procedure.resultOfFirst = result;
            const int returned = manager.run(2, &procedure, nullptr, false);
            if (returned != result || procedure.calls.count(0) != 1) *allGood = false;
        }
    };
    bool firstGood = true;
    bool secondGood = true;
    std::thread a(caller, 11, &firstGood);
    std::thread b(caller, 22, &secondGood);
    a.join();
    b.join();
    EXPECT_TRUE(firstGood);
    EXPECT_TRUE(secondGood);
    EXPECT_LE(manager.poolSize(), 4);
}

TEST(WinThreadManager, StartThreadRunsTheProcedureOnAPooledThread) {
    WinThreadManager manager(false, nullptr);
    RecordingThreadProcedure procedure(&manager);
    EXPECT_EQ(manager.startThread(&procedure, 1234), 0);
    ASSERT_TRUE(procedure.done.wait());
    EXPECT_EQ(procedure.argument, 1234);
    EXPECT_EQ(procedure.managerIndex, 0);
    EXPECT_EQ(procedure.name, "recorder");
    EXPECT_EQ(manager.poolSize(), 1);
    EXPECT_EQ(manager.startThread(nullptr, 0), -1);
}

TEST(WinThreadManager, LowPriorityFlagAppliesToThreadsStartedAfterwards) {
    if (lowestPriorityAlready()) GTEST_SKIP() << "the process already runs at the lowest priority";
    WinThreadManager normal(false, nullptr);
    RecordingThreadProcedure atNormal(&normal);
    normal.startThread(&atNormal, 0);
    ASSERT_TRUE(atNormal.done.wait());
    EXPECT_EQ(atNormal.priority, Platform::ThreadPriority::Normal);

    WinThreadManager low(false, nullptr);
    low.setLowPriority(1);
    RecordingThreadProcedure atLow(&low);
    low.startThread(&atLow, 0);
    ASSERT_TRUE(atLow.done.wait());
    EXPECT_EQ(atLow.priority, Platform::ThreadPriority::BelowNormal);
    RecordingProcedure procedure(&low);
    low.run(2, &procedure, nullptr, false);
    for (const auto& call : procedure.calls) EXPECT_EQ(call.second.priority, Platform::ThreadPriority::BelowNormal);
}

TEST(WinThreadManager, StackSizeAppliesToThreadsCreatedAfterwards) {
    WinThreadManager manager(false, nullptr);
    manager.setStackSize(3 * 1024 * 1024);
    RecordingThreadProcedure procedure(&manager);
    manager.startThread(&procedure, 0);
    ASSERT_TRUE(procedure.done.wait());
    EXPECT_GE(procedure.stackSize, std::size_t(3 * 1024 * 1024));
}

TEST(WinThreadManager, TerminateThreadsStopsAndForgetsThePool) {
    WinThreadManager manager(false, nullptr);
    RecordingProcedure procedure(&manager);
    procedure.holdUntilAllArrive();
    manager.run(2, &procedure, nullptr, false);
    std::vector<std::string> texts;
    {
        TestSupport::DebugOutputCapture capture;
        manager.terminateThreads(false);
        texts = capture.texts;
    }
    EXPECT_EQ(manager.poolSize(), 0);
    auto count = [&texts](const std::string& text) { return std::count(texts.begin(), texts.end(), text); };
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "[WinThreadManager] Terminating 2 threads\n");
    EXPECT_EQ(texts.back(), "[WinThreadManager] All threads terminated\n");
    EXPECT_EQ(count("[WinThreadManager] Terminating thread 0\n"), 1);
    EXPECT_EQ(count("[WinThreadManager] Terminating thread 1\n"), 1);
    EXPECT_EQ(count("[WinThreadManager] Thread is terminating\n"), 2);
    EXPECT_EQ(count("[WinThreadManager] Thread did not terminate for the timeout interval\n"), 0);

    // The manager stays usable and builds a new pool.
    RecordingProcedure again(&manager);
    again.holdUntilAllArrive();
    EXPECT_EQ(manager.run(2, &again, nullptr, false), 0);
    EXPECT_EQ(again.calls.size(), 2u);
    EXPECT_EQ(manager.poolSize(), 2);
}

TEST(WinThreadManager, ConstructionAndDestructionAreTraced) {
    TestSupport::DebugOutputCapture capture;
    { WinThreadManager manager(false, nullptr); }
    const std::vector<std::string> expected = {"[WinThreadManager] Constructor.\n", "[WinThreadManager] Destructor.\n",
                                               "[WinThreadManager] Terminating 0 threads\n",
                                               "[WinThreadManager] All threads terminated\n"};
    EXPECT_EQ(capture.texts, expected);
}

TEST(WinThreadManager, ThreadsAreSpreadOverTheNodes) {
    const std::vector<int> processors = processProcessors();
    if (processors.size() < 2) GTEST_SKIP() << "needs two processors";
    TwoNodeList nodes(processors);
    WinThreadManager manager(true, nodes.path());
    RecordingProcedure procedure(&manager);
    manager.run(4, &procedure, nullptr, false);
    ASSERT_EQ(procedure.calls.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(procedure.calls.find(i)->second.affinity, single(processors[i % 2])) << i;
    }
    // startThread returns a placed thread to every processor of the process.
    Platform::CpuSet all;
    Platform::getProcessAffinity(all);
    RecordingThreadProcedure started(&manager);
    manager.startThread(&started, 0);
    ASSERT_TRUE(started.done.wait());
    EXPECT_EQ(started.affinity, all);
}

TEST(WinThreadManager, WithoutPlacementThreadsKeepTheProcessAffinity) {
    const std::vector<int> processors = processProcessors();
    if (processors.size() < 2) GTEST_SKIP() << "needs two processors";
    TwoNodeList nodes(processors);
    Platform::CpuSet all;
    Platform::getProcessAffinity(all);
    WinThreadManager manager(false, nodes.path());
    RecordingProcedure procedure(&manager);
    manager.run(4, &procedure, nullptr, false);
    for (const auto& call : procedure.calls) EXPECT_EQ(call.second.affinity, all);
}
