// The built-in thread manager on Windows: topology from the system's NUMA queries, priorities,
// thread names, the message-pumping waits and the forced end of a thread that does not stop.
#include "parallel/NumaTopology.h"
#include "parallel/WinThreadManager.h"
#include "platform/Affinity.h"
#include "platform/DebugOutput.h"
#include "tests/parallel/Procedures.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

namespace {

constexpr UINT kPing = WM_APP + 9;

// A procedure for startThread that reports in with a handle to its thread and then waits until
// released (or for a minute).
class BlockingProcedure final : public ZUtils::ThreadProcedure {
public:
    ~BlockingProcedure() {
        if (thread != nullptr) CloseHandle(thread);
    }
    void run(std::intptr_t) override {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        priority = Platform::currentThreadPriority();
        started.set();
        release.wait(60000);
    }

    HANDLE thread = nullptr;
    Platform::ThreadPriority priority = Platform::ThreadPriority::Normal;
    Platform::Event started{true};
    Platform::Event release{true};
};

// A named procedure that records the description its threads carry while it runs.
class NamedProcedure final : public MultiThreadProcedure {
public:
    void run(int*, int*, int, int) override {
        using GetDescription = HRESULT(WINAPI*)(HANDLE, PWSTR*);
        const auto get = reinterpret_cast<GetDescription>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
        PWSTR text = nullptr;
        if (get == nullptr || FAILED(get(GetCurrentThread(), &text)) || text == nullptr) return;
        std::lock_guard<std::mutex> lock(mutex);
        descriptions.push_back(text);
        LocalFree(text);
    }
    const char* getName() override { return "zone decoder"; }

    std::mutex mutex;
    std::vector<std::wstring> descriptions;
};

// Thread 0 posts a message to the waiting caller's thread and waits until the caller's
// processMessages() has taken it.
class PingingProcedure final : public MultiThreadProcedure {
public:
    explicit PingingProcedure(DWORD caller) : caller_(caller) {}
    void run(int*, int*, int threadIndex, int) override {
        if (threadIndex != 0) return;
        PostThreadMessageW(caller_, kPing, 0, 0);
        answered = taken.wait(30000);
    }

    Platform::Event taken{true};
    bool answered = false;

private:
    DWORD caller_;
};

class PingTakingProgress final : public TestSupport::RecordingProgress {
public:
    explicit PingTakingProgress(Platform::Event& taken) : taken_(taken) { interactive = true; }
    void processMessages() override {
        MSG message;
        while (PeekMessageW(&message, nullptr, kPing, kPing, PM_REMOVE)) taken_.set();
    }

private:
    Platform::Event& taken_;
};

// Collects the debugger output of a test.
class DebugTrace {
public:
    DebugTrace() {
        Platform::setDebugOutputHook([this](const char* text) {
            std::lock_guard<std::mutex> lock(mutex_);
            text_ += text;
        });
    }
    ~DebugTrace() { Platform::setDebugOutputHook(nullptr); }
    bool contains(const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_.find(line) != std::string::npos;
    }

private:
    std::mutex mutex_;
    std::string text_;
};

bool queued(UINT message) {
    MSG found;
    return PeekMessageW(&found, nullptr, message, message, PM_NOREMOVE) != 0;
}

}  // namespace

TEST(WindowsThreadManager, TheTopologyComesFromTheSystemsNumaQueries) {
    ZUtils::NumaTopology topology(true, Platform::kSystemNodeRoot);
    topology.enumerate();
    ASSERT_TRUE(topology.enumerated());
    ASSERT_GE(topology.nodeCount(), 1);
    EXPECT_EQ(topology.totalProcessors(), Platform::processorCount());
    EXPECT_EQ(topology.node(topology.nodeCount() - 1).cumulativeProcessors, topology.totalProcessors());
    ZUtils::NumaTopology off(false, Platform::kSystemNodeRoot);
    off.enumerate();
    EXPECT_EQ(off.nodeCount(), 0);
}

TEST(WindowsThreadManager, RunsEveryIndexOnItsOwnThreadAndReusesThem) {
    ZUtils::WinThreadManager manager;
    const int count = 2 * Platform::processorCount() + 1;
    TestSupport::RecordingProcedure first(&manager);
    first.holdUntilAllArrive();
    EXPECT_EQ(manager.run(count, &first, nullptr, false), 0);
    ASSERT_EQ(first.callCount, count);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(first.calls.count(i), 1u) << i;
        EXPECT_EQ(first.calls.find(i)->second.managerIndex, i);
    }
    EXPECT_EQ(static_cast<int>(first.threadIds().size()), count);
    EXPECT_EQ(manager.getThreadIndex(), -1);
    TestSupport::RecordingProcedure second(&manager);
    EXPECT_EQ(manager.run(count, &second, nullptr, false), 0);
    EXPECT_EQ(manager.poolSize(), count);
}

TEST(WindowsThreadManager, LowPriorityThreadsRunBelowNormal) {
    ZUtils::WinThreadManager manager;
    manager.setLowPriority(1);
    BlockingProcedure procedure;
    ASSERT_EQ(manager.startThread(&procedure, 0), 0);
    ASSERT_TRUE(procedure.started.wait(30000));
    EXPECT_EQ(procedure.priority, Platform::ThreadPriority::BelowNormal);
    EXPECT_EQ(GetThreadPriority(procedure.thread), THREAD_PRIORITY_BELOW_NORMAL);
    procedure.release.set();
    manager.setLowPriority(0);
    BlockingProcedure normal;
    ASSERT_EQ(manager.startThread(&normal, 0), 0);
    ASSERT_TRUE(normal.started.wait(30000));
    EXPECT_EQ(normal.priority, Platform::ThreadPriority::Normal);
    normal.release.set();
}

TEST(WindowsThreadManager, WorkersCarryTheProceduresName) {
    ZUtils::WinThreadManager manager;
    NamedProcedure procedure;
    manager.run(3, &procedure, nullptr, false);
    if (GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription") == nullptr)
        GTEST_SKIP() << "the system keeps no thread descriptions";
    ASSERT_EQ(procedure.descriptions.size(), 3u);
    for (const std::wstring& description : procedure.descriptions) EXPECT_EQ(description, L"zone decoder");
}

TEST(WindowsThreadManager, AnInteractiveCallerTakesItsMessagesWhileWaiting) {
    ZUtils::WinThreadManager manager;
    PingingProcedure procedure(GetCurrentThreadId());
    PingTakingProgress progress(procedure.taken);
    queued(kPing);  // gives this thread its message queue
    EXPECT_EQ(manager.run(2, &procedure, &progress, false), 0);
    EXPECT_TRUE(procedure.answered);
    EXPECT_FALSE(queued(kPing));
}

TEST(WindowsThreadManager, AForcedTerminationKillsAThreadThatDoesNotStop) {
    DebugTrace trace;
    ZUtils::WinThreadManager manager;
    BlockingProcedure stuck;
    ASSERT_EQ(manager.startThread(&stuck, 0), 0);
    ASSERT_TRUE(stuck.started.wait(30000));
    manager.terminateThreads(true);
    EXPECT_TRUE(trace.contains("[WinThreadManager] Thread did not terminate for the timeout interval\n"));
    ASSERT_EQ(WaitForSingleObject(stuck.thread, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeThread(stuck.thread, &exitCode));
    EXPECT_EQ(exitCode, 0xFFFFFFFFu);
    EXPECT_EQ(manager.poolSize(), 0);
    // The pool starts afresh.
    TestSupport::RecordingProcedure after(&manager);
    EXPECT_EQ(manager.run(2, &after, nullptr, false), 0);
    EXPECT_EQ(after.callCount, 2);
}

TEST(WindowsThreadManager, AnUnforcedTerminationLeavesTheThreadAndDispatchesMessages) {
    DebugTrace trace;
    ZUtils::WinThreadManager manager;
    BlockingProcedure stuck;
    ASSERT_EQ(manager.startThread(&stuck, 0), 0);
    ASSERT_TRUE(stuck.started.wait(30000));
    PostThreadMessageW(GetCurrentThreadId(), kPing, 0, 0);
    manager.terminateThreads(false);
    EXPECT_TRUE(trace.contains("[WinThreadManager] Thread did not terminate for the timeout interval\n"));
    EXPECT_FALSE(queued(kPing));
    EXPECT_EQ(WaitForSingleObject(stuck.thread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    // Released, the thread takes the termination it was sent and ends by itself.
    stuck.release.set();
    EXPECT_EQ(WaitForSingleObject(stuck.thread, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 0xFFFFFFFFu;
    EXPECT_TRUE(GetExitCodeThread(stuck.thread, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}
