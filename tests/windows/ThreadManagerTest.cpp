// The built-in thread manager on Windows: the forced end of a thread that does not stop, and the
// waits that keep taking the calling thread's window messages.
#include "parallel/WinThreadManager.h"
#include "platform/DebugOutput.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

constexpr UINT kPing = WM_APP + 9;

// Whether the calling thread's queue holds a ping, which it removes; the first call creates the queue.
bool pingTaken() {
    MSG found;
    return PeekMessageW(&found, nullptr, kPing, kPing, PM_REMOVE) != 0;
}

// A procedure for startThread that reports its thread's handle and priority, then waits until
// released (or for a minute).
struct BlockingProcedure final : ZUtils::ThreadProcedure {
    ~BlockingProcedure() { CloseHandle(thread); }
    void run(std::intptr_t) override {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE, DUPLICATE_SAME_ACCESS);
        priority = GetThreadPriority(GetCurrentThread());
        started.set();
        release.wait(60000);
    }
    HANDLE thread = nullptr;
    int priority = THREAD_PRIORITY_ERROR_RETURN;
    Platform::Event started{true}, release{true};
};

}  // namespace

TEST(WindowsThreadManager, TerminationKillsAThreadThatDoesNotStopOnlyWhenForced) {
    for (bool force : {true, false}) {
        BlockingProcedure stuck;
        ZUtils::WinThreadManager manager;
        manager.setLowPriority(1);
        ASSERT_EQ(manager.startThread(&stuck, 0), 0);
        ASSERT_TRUE(stuck.started.wait(30000));
        EXPECT_EQ(stuck.priority, THREAD_PRIORITY_BELOW_NORMAL);
        pingTaken();
        PostThreadMessageW(GetCurrentThreadId(), kPing, 0, 0);
        std::string trace;
        Platform::setDebugOutputHook([&trace](const char* text) { trace += text; });
        manager.terminateThreads(force);
        Platform::setDebugOutputHook(nullptr);
        EXPECT_NE(trace.find("[WinThreadManager] Thread did not terminate for the timeout interval\n"), std::string::npos);
        EXPECT_EQ(manager.poolSize(), 0);
        EXPECT_EQ(pingTaken(), force) << "only an unforced wait dispatches the caller's messages";
        EXPECT_EQ(WaitForSingleObject(stuck.thread, 0), force ? WAIT_OBJECT_0 : DWORD(WAIT_TIMEOUT));
        stuck.release.set();  // a thread left running takes the termination it was sent and ends
        ASSERT_EQ(WaitForSingleObject(stuck.thread, 30000), WAIT_OBJECT_0);
        DWORD exitCode = 1;
        EXPECT_TRUE(GetExitCodeThread(stuck.thread, &exitCode));
        EXPECT_EQ(exitCode, force ? 0xFFFFFFFFu : 0u);
    }
}

TEST(WindowsThreadManager, AnInteractiveCallerTakesItsMessagesWhileWaiting) {
    // Thread 0 posts a message to the waiting caller's thread and waits until the caller's
    // processMessages() has taken it.
    struct : MultiThreadProcedure {
        void run(int*, int*, int threadIndex, int) override {
            if (threadIndex != 0) return;
            PostThreadMessageW(caller, kPing, 0, 0);
            answered = taken.wait(30000);
        }
        DWORD caller = GetCurrentThreadId();
        Platform::Event taken{true};
        bool answered = false;
    } procedure;
    struct : ProgressCallback {
        int isInteractive() override { return 1; }
        void processMessages() override {
            MSG message;
            while (PeekMessageW(&message, nullptr, kPing, kPing, PM_REMOVE)) taken->set();
        }
        Platform::Event* taken = nullptr;
    } progress;
    progress.taken = &procedure.taken;
    ZUtils::WinThreadManager manager;
    pingTaken();
    EXPECT_EQ(manager.run(2, &procedure, &progress, false), 0);
    EXPECT_TRUE(procedure.answered);
    EXPECT_FALSE(pingTaken());
}
