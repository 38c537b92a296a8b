#include "parallel/FmrParallel.h"

#include "Procedures.h"
#include "parallel/ThreadEnvironment.h"
#include "parallel/WinThreadManager.h"
#include "tests/utils/LogCapture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

using FMRUtils::FmrParallel;
using FMRUtils::Job;

namespace {

using Slice = std::pair<std::int64_t, std::int64_t>;

// Records what each job was given and where it ran.
class MTRecorder : public FmrParallel {
public:
    explicit MTRecorder(ZUtils::ThreadManager* manager = nullptr) : FmrParallel(manager) {}
    ~MTRecorder() override = default;

    int processJob(Job* job) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        slices[job->jobIndex] = {job->sliceStart, job->sliceEnd};
        modes.insert(job->mode);
        threadIds.insert(Platform::currentThreadId());
        priorities.insert(Platform::currentThreadPriority());
        Platform::CpuSet affinity;
        Platform::getCurrentThreadAffinity(affinity);
        affinities[job->jobIndex] = affinity;
        ++calls;
        addProgress(1);
        return 0;
    }
    const char* getName() override { return "MTRecorder"; }

    std::map<int, Slice> slices;
    std::set<int> modes;
    std::set<unsigned long> threadIds;
    std::set<Platform::ThreadPriority> priorities;
    std::map<int, Platform::CpuSet> affinities;
    int calls = 0;

private:
    std::mutex m_mutex;
};

// Registers a thread manager for the lifetime of the object.
class ScopedRegistration {
public:
    explicit ScopedRegistration(ZUtils::ThreadManager* manager) { EXPECT_TRUE(FMRUtils::pushThreadManager(manager)); }
    ~ScopedRegistration() { FMRUtils::popThreadManager(); }
};

std::vector<Slice> slicesOf(const MTRecorder& runner) {
    std::vector<Slice> list;
    for (const auto& entry : runner.slices) list.push_back(entry.second);
    return list;
}

std::vector<Slice> preparedSlices(FmrParallel& runner) {
    std::vector<Slice> list;
    for (Job* job = runner.firstJob(); job != nullptr; job = job->next) {
        EXPECT_EQ(job->sliceLength, job->sliceEnd - job->sliceStart);
        list.push_back({job->sliceStart, job->sliceEnd});
    }
    return list;
}

// A host-supplied manager whose startThread refuses after a number of threads; the threads it
// does start are its own and are joined at destruction.
class LimitedManager : public ZUtils::ThreadManager {
public:
    explicit LimitedManager(int threadsAllowed) : m_allowed(threadsAllowed) {}
    ~LimitedManager() {
        for (std::thread& thread : m_threads) thread.join();
    }
    void terminateThreads(bool) override {}
    int run(int, MultiThreadProcedure*, ProgressCallback*, bool) override { return 0; }
    void setLowPriority(int flag) override { lowPriorityFlags.push_back(flag); }
    int startThread(ZUtils::ThreadProcedure* procedure, int argument) override {
        if (static_cast<int>(m_threads.size()) >= m_allowed) return -1;
        m_threads.emplace_back([procedure, argument] { procedure->run(argument); });
        return 0;
    }
    void setStackSize(int) override {}
    int getThreadIndex() override { return -1; }

    std::vector<int> lowPriorityFlags;

private:
    int m_allowed;
    std::vector<std::thread> m_threads;
};

}  // namespace

TEST(FmrParallel, SlicesAreContiguousAndDifferByAtMostOne) {
    ZUtils::WinThreadManager manager(false, nullptr);
    MTRecorder four(&manager);
    four.setupThreads(4);
    four.prepare(10);
    EXPECT_EQ(preparedSlices(four), (std::vector<Slice>{{0, 2}, {2, 5}, {5, 7}, {7, 10}}));

    MTRecorder eight(&manager);
    eight.setupThreads(8);
    eight.prepare(3);
    EXPECT_EQ(preparedSlices(eight),
              (std::vector<Slice>{{0, 0}, {0, 0}, {0, 1}, {1, 1}, {1, 1}, {1, 2}, {2, 2}, {2, 3}}));

    // prepare may be called again with a new total.
    four.prepare(0);
    EXPECT_EQ(preparedSlices(four), (std::vector<Slice>{{0, 0}, {0, 0}, {0, 0}, {0, 0}}));
}

TEST(FmrParallel, HugeTotalsAreDividedWithoutOverflow) {
    ZUtils::WinThreadManager manager(false, nullptr);
    MTRecorder runner(&manager);
    runner.setupThreads(3);
    const std::int64_t total = std::numeric_limits<std::int64_t>::max();
    runner.prepare(total);
    const std::vector<Slice> slices = preparedSlices(runner);
    ASSERT_EQ(slices.size(), 3u);
    EXPECT_EQ(slices[0].first, 0);
    EXPECT_EQ(slices[0].second, slices[1].first);
    EXPECT_EQ(slices[1].second, slices[2].first);
    EXPECT_EQ(slices[2].second, total);
    EXPECT_EQ(slices[0].second, total / 3);
    // A negative total is an empty range.
    runner.prepare(-5);
    EXPECT_EQ(preparedSlices(runner), (std::vector<Slice>{{0, 0}, {0, 0}, {0, 0}}));
}

TEST(FmrParallel, RunProcessesEveryJobOnItsOwnPooledThread) {
    ZUtils::WinThreadManager manager(false, nullptr);
    MTRecorder runner(&manager);
    runner.setupThreads(3);
    EXPECT_TRUE(runner.isThreaded());
    EXPECT_EQ(runner.jobCount(), 3);
    runner.prepare(30);
    runner.run(1);
    EXPECT_EQ(slicesOf(runner), (std::vector<Slice>{{0, 10}, {10, 20}, {20, 30}}));
    EXPECT_EQ(runner.modes, std::set<int>{1});
    EXPECT_EQ(runner.threadIds.size(), 3u);
    EXPECT_EQ(runner.threadIds.count(Platform::currentThreadId()), 0u);
    EXPECT_EQ(runner.progress(), 3);
    int index = 0;
    for (Job* job = runner.firstJob(); job != nullptr; job = job->next, ++index) {
        EXPECT_EQ(job->jobIndex, index);
        EXPECT_EQ(job->owner, &runner);
        EXPECT_STREQ(job->getName(), "MTRecorder");
    }
    EXPECT_EQ(index, 3);
}

TEST(FmrParallel, JobsKeepTheirThreadsAcrossRunsAndSetups) {
    ZUtils::WinThreadManager manager(false, nullptr);
    MTRecorder runner(&manager);
    runner.setupThreads(-1);
    EXPECT_EQ(runner.jobCount(), ZUtils::getDefaultThreadCount());
    Job* firstJob = runner.firstJob();
    const int poolSize = manager.poolSize();
    runner.prepare(100);
    runner.run(0);
    const std::set<unsigned long> firstThreads = runner.threadIds;
    runner.threadIds.clear();
    runner.setupThreads(-1);
    EXPECT_EQ(runner.firstJob(), firstJob);
    EXPECT_EQ(manager.poolSize(), poolSize);
    runner.run(2);
    runner.run(3);
    EXPECT_EQ(runner.threadIds, firstThreads);
    EXPECT_EQ(runner.modes, (std::set<int>{0, 2, 3}));
    EXPECT_EQ(runner.calls, 3 * runner.jobCount());
}

TEST(FmrParallel, JobThreadsRunBelowNormalPriority) {
    errno = 0;
    if (getpriority(PRIO_PROCESS, 0) >= 19) GTEST_SKIP() << "the process already runs at the lowest priority";
    ZUtils::WinThreadManager manager(false, nullptr);
    MTRecorder runner(&manager);
    runner.setupThreads(2);
    runner.prepare(2);
    runner.run(0);
    EXPECT_EQ(runner.priorities, std::set<Platform::ThreadPriority>{Platform::ThreadPriority::BelowNormal});
}

TEST(FmrParallel, LiveRunnersOccupyOnePooledThreadPerJob) {
    ZUtils::WinThreadManager manager(false, nullptr);
    MTRecorder first(&manager);
    first.setupThreads(2);
    EXPECT_EQ(manager.poolSize(), 2);
    MTRecorder second(&manager);
    second.setupThreads(3);
    EXPECT_EQ(manager.poolSize(), 5);
    // Fewer jobs: the runner lets its threads go and binds new jobs.
    second.setupThreads(1);
    EXPECT_EQ(second.jobCount(), 1);
    second.prepare(4);
    second.run(0);
    EXPECT_EQ(slicesOf(second), (std::vector<Slice>{{0, 4}}));
}

TEST(FmrParallel, WithoutAManagerEverythingRunsOnTheCallingThread) {
    ASSERT_EQ(FMRUtils::currentThreadManager(), nullptr);
    MTRecorder runner;
    std::vector<std::string> texts;
    {
        TestSupport::DebugOutputCapture capture;
        runner.setupThreads(4);
        texts = capture.texts;
    }
    const std::vector<std::string> expected = {
        "Using FmrParallel without a thread manager. The code will run in single threaded mode\n",
        "Please check the MTRecorder implementation.\n",
        "Using FmrParallel without threadManager with 'threads' != -1!When the thread manager is missing 'threads' "
        "value is FORCED to 1.This may BREAK YOUR code!\n"};
    EXPECT_EQ(texts, expected);
    EXPECT_FALSE(runner.isThreaded());
    EXPECT_EQ(runner.jobCount(), 1);
    runner.prepare(17);
    runner.run(1);
    EXPECT_EQ(slicesOf(runner), (std::vector<Slice>{{0, 17}}));
    EXPECT_EQ(runner.threadIds, std::set<unsigned long>{Platform::currentThreadId()});
}

TEST(FmrParallel, DefaultRequestWithoutAManagerPrintsTwoMessages) {
    MTRecorder runner;
    TestSupport::DebugOutputCapture capture;
    runner.setupThreads(-1);
    EXPECT_EQ(capture.texts.size(), 2u);
    MTRecorder prepared;
    prepared.prepare(5);  // creates its job as setupThreads(-1) would
    EXPECT_EQ(capture.texts.size(), 4u);
    EXPECT_EQ(prepared.jobCount(), 1);
}

TEST(FmrParallel, RunnerTakesTheCurrentManagerOfTheRegistry) {
    ZUtils::WinThreadManager outer(false, nullptr);
    ZUtils::WinThreadManager inner(false, nullptr);
    ScopedRegistration first(&outer);
    {
        ScopedRegistration second(&inner);
        EXPECT_EQ(FMRUtils::currentThreadManager(), &inner);
        MTRecorder runner;
        runner.setupThreads(2);
        EXPECT_EQ(runner.threadManager(), &inner);
        EXPECT_EQ(inner.poolSize(), 2);
        EXPECT_EQ(outer.poolSize(), 0);
    }
    EXPECT_EQ(FMRUtils::currentThreadManager(), &outer);
}

TEST(FmrParallel, RegistryPopsInReverseOrderAndEmpties) {
    ZUtils::WinThreadManager a(false, nullptr);
    ZUtils::WinThreadManager b(false, nullptr);
    EXPECT_EQ(FMRUtils::currentThreadManager(), nullptr);
    FMRUtils::popThreadManager();  // nothing to pop
    EXPECT_TRUE(FMRUtils::pushThreadManager(&a));
    EXPECT_TRUE(FMRUtils::pushThreadManager(&b));
    EXPECT_TRUE(FMRUtils::pushThreadManager(nullptr));
    EXPECT_EQ(FMRUtils::currentThreadManager(), nullptr);
    FMRUtils::popThreadManager();
    EXPECT_EQ(FMRUtils::currentThreadManager(), &b);
    FMRUtils::popThreadManager();
    EXPECT_EQ(FMRUtils::currentThreadManager(), &a);
    FMRUtils::popThreadManager();
    EXPECT_EQ(FMRUtils::currentThreadManager(), nullptr);
}

TEST(FmrParallel, HolderProcedureRunsForEveryJob) {
    struct Target {
        std::mutex mutex;
        std::set<int> jobs;
    };
    auto visit = [](Target* target, Job* job) {
        std::lock_guard<std::mutex> lock(target->mutex);
        target->jobs.insert(job->jobIndex);
    };
    ZUtils::WinThreadManager manager(false, nullptr);
    MTRecorder threaded(&manager);
    threaded.setupThreads(3);
    Target target;
    ASSERT_TRUE(threaded.setJobProc<Target>(&target, visit));
    threaded.runWithHolder();
    EXPECT_EQ(target.jobs, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(threaded.calls, 0);
    // run drops the holder; runWithHolder then falls back to processJob on threads.
    threaded.run(0);
    EXPECT_EQ(threaded.calls, 3);
    threaded.runWithHolder();
    EXPECT_EQ(threaded.calls, 6);

    MTRecorder single;
    single.setupThreads(-1);
    Target alone;
    single.setJobProc<Target>(&alone, visit);
    single.runWithHolder();
    EXPECT_EQ(alone.jobs, std::set<int>{0});
    single.run(0);
    EXPECT_EQ(single.calls, 1);
    single.runWithHolder();  // no holder, no manager: nothing runs
    EXPECT_EQ(single.calls, 1);
}

TEST(FmrParallel, AbortIsSeenByEveryJobAndClearedByTheNextRun) {
    class MTAborting : public FmrParallel {
    public:
        using FmrParallel::FmrParallel;
        int processJob(Job* job) override {
            if (job->jobIndex == 0) requestAbort();
            return 0;
        }
    };
    MTAborting runner;
    runner.setupThreads(-1);
    EXPECT_FALSE(runner.isAborted());
    runner.run(0);
    EXPECT_TRUE(runner.isAborted());

    class StopRequest : public ProgressCallback {
    public:
        int getAbort() override { return 1; }
    };
    StopRequest stop;
    bool abortedDuringRun = false;
    class MTWatcher : public FmrParallel {
    public:
        explicit MTWatcher(bool* seen) : m_seen(seen) {}
        int processJob(Job*) override {
            *m_seen = isAborted();
            return 0;
        }

    private:
        bool* m_seen;
    };
    MTWatcher watcher(&abortedDuringRun);
    watcher.setupThreads(-1);
    watcher.run(0, &stop);
    EXPECT_TRUE(abortedDuringRun);
    EXPECT_FALSE(watcher.isAborted());  // the progress object belonged to that run only
    watcher.run(0);
    EXPECT_FALSE(abortedDuringRun);
}

TEST(FmrParallel, JobsAreSpreadOverUsableNodes) {
    Platform::CpuSet all;
    ASSERT_TRUE(Platform::getProcessAffinity(all));
    std::vector<int> processors;
    for (int p = 0; p < Platform::CpuSet::kMaxProcessors; ++p) {
        if (all.contains(p)) processors.push_back(p);
    }
    if (processors.size() < 2) GTEST_SKIP() << "needs two processors";
    Platform::CpuSet first;
    first.add(processors[0]);
    Platform::CpuSet second;
    second.add(processors[1]);
    Platform::NumaNode node0;
    node0.id = 0;
    node0.processors = first;
    Platform::NumaNode node1;
    node1.id = 1;
    node1.processors = second;
    ZUtils::NumaTopology topology;
    topology.build({node0, node1}, all);

    ZUtils::WinThreadManager manager(false, nullptr);
    auto placedOn = [&](std::initializer_list<char> mask) {
        FMRUtils::FmrArray<char, std::int64_t> nodeMask;
        for (char usable : mask) nodeMask.Append(usable);
        MTRecorder runner(&manager);
        runner.setupThreads(4, &topology, &nodeMask);
        runner.prepare(4);
        runner.run(0);
        std::vector<Platform::CpuSet> sets;
        for (const auto& entry : runner.affinities) sets.push_back(entry.second);
        return sets;
    };
    EXPECT_EQ(placedOn({0, 1}), (std::vector<Platform::CpuSet>{second, second, second, second}));
    EXPECT_EQ(placedOn({1, 0}), (std::vector<Platform::CpuSet>{first, first, first, first}));
    EXPECT_EQ(placedOn({0, 0}), (std::vector<Platform::CpuSet>{first, second, first, second}));

    // A single node means no placement at all.
    ZUtils::NumaTopology oneNode;
    oneNode.build({node0}, all);
    FMRUtils::FmrArray<char, std::int64_t> mask;
    mask.Append(1);
    ZUtils::WinThreadManager fresh(false, nullptr);
    MTRecorder runner(&fresh);
    runner.setupThreads(2, &oneNode, &mask);
    runner.prepare(2);
    runner.run(0);
    for (const auto& entry : runner.affinities) EXPECT_EQ(entry.second, all);
}

TEST(FmrParallel, ThreadsThatCannotBeStartedLeaveTheRunnerSingleThreaded) {
    LimitedManager manager(1);
    MTRecorder runner(&manager);
    {
        TestSupport::DebugOutputCapture capture;
        runner.setupThreads(3);
        EXPECT_EQ(capture.texts,
                  std::vector<std::string>{"FmrParallel could not start its threads. The code will run in single "
                                           "threaded mode\n"});
    }
    EXPECT_EQ(manager.lowPriorityFlags, std::vector<int>{1});
    EXPECT_FALSE(runner.isThreaded());
    EXPECT_EQ(runner.jobCount(), 1);
    runner.prepare(9);
    runner.run(0);
    EXPECT_EQ(slicesOf(runner), (std::vector<Slice>{{0, 9}}));
    EXPECT_EQ(runner.threadIds, std::set<unsigned long>{Platform::currentThreadId()});
}

TEST(FmrParallel, JobWithoutOwnerHasItsOwnName) {
    Job job;
    EXPECT_STREQ(job.getName(), "MTJobWithoutOwner");
    EXPECT_EQ(job.sliceLength, 1);
}
