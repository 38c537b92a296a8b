#include "parallel/FmrParallel.h"

#include "parallel/WinThreadManager.h"
#include "platform/Affinity.h"
#include "tests/platform/ScratchDirectory.h"
#include "tests/utils/LogCapture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <limits>
#include <mutex>
#include <set>

using FMRUtils::FmrParallel;
using FMRUtils::Job;
using Platform::CpuSet;
using Slices = std::vector<std::pair<std::int64_t, std::int64_t>>;

namespace {

// Records where the jobs ran and what they saw.
class MTRecorder : public FmrParallel {
public:
    using FmrParallel::FmrParallel;
    int processJob(Job* job) override {
        EXPECT_TRUE(progressGate == nullptr || progressGate->wait(10000));  // until the caller reported progress
        std::lock_guard<std::mutex> lock(m_mutex);
        if (affinities.size() <= static_cast<size_t>(job->jobIndex)) affinities.resize(job->jobIndex + 1);
        Platform::getCurrentThreadAffinity(affinities[job->jobIndex]);
        threadIds.insert(Platform::currentThreadId());
        seenAborted = isAborted();
        addProgress(1);
        return ++calls;
    }
    const char* getName() override { return "MTRecorder"; }

    std::vector<CpuSet> affinities;
    std::set<unsigned long> threadIds;
    int calls = 0;
    bool seenAborted = false;
    Platform::Event* progressGate = nullptr;

private:
    std::mutex m_mutex;
};

// A host's manager that cannot provide threads.
struct RefusingManager : ZUtils::ThreadManager {
    void terminateThreads(bool) override {}
    int run(int, MultiThreadProcedure*, ProgressCallback*, bool) override { return 0; }
    void setLowPriority(int flag) override { lowPriorityFlags.push_back(flag); }
    int startThread(ZUtils::ThreadProcedure*, int) override { return -1; }
    void setStackSize(int) override {}
    int getThreadIndex() override { return -1; }
    std::vector<int> lowPriorityFlags;
};

}  // namespace

TEST(FmrParallel, JobsOnTheirOwnPooledThreadsTakeContiguousSlicesThatDifferByAtMostOne) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kThird = 3074457345618258602, kTwoThirds = 6148914691236517204;
    const struct { int jobs; std::int64_t total; Slices expected; } cases[] = {
        {4, 10, {{0, 2}, {2, 5}, {5, 7}, {7, 10}}},
        {8, 3, {{0, 0}, {0, 0}, {0, 1}, {1, 1}, {1, 1}, {1, 2}, {2, 2}, {2, 3}}},
        {1, 17, {{0, 17}}},
        {3, -5, {{0, 0}, {0, 0}, {0, 0}}},                                   // an empty range
        {3, kMax, {{0, kThird}, {kThird, kTwoThirds}, {kTwoThirds, kMax}}},  // without overflow
    };
    ZUtils::WinThreadManager manager(false, nullptr);
    for (const auto& c : cases) {
        MTRecorder runner(&manager);
        runner.setupThreads(c.jobs);
        Job* first = runner.firstJob();
        runner.setupThreads(c.jobs);  // keeps the jobs and their threads
        runner.prepare(c.total);
        EXPECT_EQ(runner.firstJob(), first);
        Slices prepared;
        for (Job* job = first; job != nullptr; job = job->next) {
            EXPECT_EQ(job->sliceLength, job->sliceEnd - job->sliceStart);
            prepared.push_back({job->sliceStart, job->sliceEnd});
        }
        EXPECT_EQ(prepared, c.expected) << c.jobs << " jobs, total " << c.total;
        struct : ProgressCallback {
            void setProgress(int) override { reported.set(); }
            Platform::Event reported{true};
        } progress;
        runner.progressGate = &progress.reported;
        runner.run(2, &progress);
        EXPECT_EQ(runner.calls, c.jobs);
        EXPECT_EQ(runner.progress(), c.jobs);
        EXPECT_EQ(runner.threadIds.size(), static_cast<size_t>(c.jobs));
        EXPECT_EQ(runner.threadIds.count(Platform::currentThreadId()), 0u);
    }
}

TEST(FmrParallel, RunnersUseTheirManagerOrTheLastOnePushedAndOtherwiseTheCallingThread) {
    const std::string none = "Using FmrParallel without a thread manager. The code will run in single threaded mode\n",
                      check = "Please check the MTRecorder implementation.\n",
                      forced =
        "Using FmrParallel without threadManager with 'threads' != -1!When the thread manager is missing 'threads' "
        "value is FORCED to 1.This may BREAK YOUR code!\n";
    ZUtils::WinThreadManager outer(false, nullptr), inner(false, nullptr);
    RefusingManager refusing;
    const struct {
        std::vector<ZUtils::WinThreadManager*> pushed;
        ZUtils::ThreadManager *given, *used;
        int threads;                     // 0: prepare creates the job
        std::vector<std::string> texts;  // none when the jobs run on pooled threads
    } cases[] = {
        {{}, nullptr, nullptr, 4, {none, check, forced}},
        {{}, nullptr, nullptr, -1, {none, check}},
        {{}, nullptr, nullptr, 0, {none, check}},
        {{&outer, &inner, nullptr}, nullptr, nullptr, 2, {none, check, forced}},
        {{&outer, &inner}, nullptr, &inner, 2, {}},
        {{&inner}, &outer, &outer, 2, {}},
        {{}, &refusing, &refusing, 3, {"FmrParallel could not start its threads. The code will run in single threaded mode\n"}},
    };
    struct : ProgressCallback {
        int getAbort() override { return 1; }
    } stop;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const auto& c = cases[i];
        const bool threaded = c.texts.empty();
        for (ZUtils::WinThreadManager* manager : c.pushed) EXPECT_TRUE(FMRUtils::pushThreadManager(manager));
        {
            MTRecorder runner(c.given);
            TestSupport::DebugOutputCapture capture;
            if (c.threads != 0) runner.setupThreads(c.threads);
            runner.prepare(17);
            runner.run(1, &stop);
            EXPECT_EQ(capture.texts, c.texts) << "case " << i;
            EXPECT_EQ(runner.threadManager(), c.used) << "case " << i;
            EXPECT_EQ(runner.isThreaded(), threaded);
            EXPECT_EQ(runner.calls, threaded ? 2 : 1);
            EXPECT_EQ(runner.threadIds.count(Platform::currentThreadId()), threaded ? 0u : 1u);
            EXPECT_TRUE(runner.seenAborted);
            EXPECT_FALSE(runner.isAborted());  // the progress object belonged to that run only
        }
        for (size_t pushed = 0; pushed < c.pushed.size(); ++pushed) FMRUtils::popThreadManager();
    }
    FMRUtils::popThreadManager();  // nothing left to pop
    EXPECT_EQ(FMRUtils::currentThreadManager(), nullptr);
    EXPECT_EQ(refusing.lowPriorityFlags, std::vector<int>{1});
}

TEST(FmrParallel, ThreadsFillTheUsableNodesOfTheTopologyInOrder) {
    CpuSet all, a, b, ab;  // a and b: the first two processors of the process, node0 and node1 of a list
    ASSERT_TRUE(Platform::getProcessAffinity(all));
    ScratchDirectory root;
    for (int p = 0; p < CpuSet::kMaxProcessors && ab.count() < 2; ++p) {
        if (!all.contains(p)) continue;
        const std::string node = "node" + std::to_string(ab.count());
        ASSERT_EQ(mkdir((root / node).c_str(), 0755), 0);
        root.write(node + "/cpulist", std::to_string(p) + "\n");
        (ab.empty() ? a : b).add(p);
        ab.add(p);
    }
    if (ab.count() < 2) GTEST_SKIP() << "needs two processors";
    // The built-in pool spreads the threads of a run over the listed nodes.
    ZUtils::WinThreadManager placing(true, root.path().c_str());
    struct : MultiThreadProcedure {
        void run(int*, int*, int threadIndex, int) override { Platform::getCurrentThreadAffinity(seen[threadIndex]); }
        CpuSet seen[4];
    } procedure;
    EXPECT_EQ(placing.run(4, &procedure, nullptr, false), 0);
    EXPECT_EQ(std::vector<CpuSet>(procedure.seen, procedure.seen + 4), (std::vector<CpuSet>{a, b, a, b}));

    ZUtils::NumaTopology twoNodes, filled, clipped, withEmpty, emptyUsable;
    twoNodes.build({{0, a}, {1, b}}, all);
    filled.build({{0, ab}, {1, a}}, all);
    clipped.build({{0, a}, {1, b}}, a);  // only the processors of the process count
    withEmpty.build({{0, a}, {1, CpuSet()}}, all);
    emptyUsable.build({{0, a}, {1, b}, {2, CpuSet()}}, all);
    const struct { const ZUtils::NumaTopology* topology; std::vector<char> mask; std::vector<CpuSet> expected; } cases[] = {
        {&twoNodes, {0, 1}, {b, b, b, b}},         {&twoNodes, {1, 0}, {a, a, a, a}},
        {&twoNodes, {0, 0}, {a, b, a, b}},         // no usable node: every node
        {&filled, {1, 1}, {ab, ab, a, ab}},        // as many threads per node as it has processors
        {&clipped, {1, 1}, {all, all, all, all}},  // one node with processors: no placement
        {&withEmpty, {1, 1}, {all, all, all, all}},
        {&emptyUsable, {0, 0, 1}, {all, all, all, all}},  // the only usable node has no processors
    };
    ZUtils::WinThreadManager manager(false, nullptr);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        FMRUtils::FmrArray<char, std::int64_t> mask;
        for (char usable : cases[i].mask) mask.Append(usable);
        MTRecorder runner(&manager);
        runner.setupThreads(4, cases[i].topology, &mask);
        runner.prepare(4);
        runner.run(0);
        EXPECT_EQ(runner.affinities, cases[i].expected) << "case " << i;
    }
}
