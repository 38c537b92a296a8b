// Threads, priorities, names, the forced end, affinity and the NUMA queries on Windows.
#include "platform/Affinity.h"
#include "platform/Event.h"
#include "platform/Kernel32_win32.h"
#include "platform/NumaNodes.h"
#include "platform/Thread.h"
#include "platform/ThreadObject_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>

namespace {

// Runs a function on a thread made by Platform::startThread and waits for it.
template <class Function>
bool runOnNewThread(Function function, std::size_t stackSize = 0) {
    struct Call {
        static void entry(void* argument) { (*static_cast<Function*>(argument))(); }
    };
    return Platform::joinThread(Platform::startThread(&Call::entry, &function, stackSize));
}

// The description that tools show for the calling thread, or empty when the system keeps none.
std::wstring currentThreadDescription() {
    using GetDescription = HRESULT(WINAPI*)(HANDLE, PWSTR*);
    const auto get = reinterpret_cast<GetDescription>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
    PWSTR description = nullptr;
    if (get == nullptr || FAILED(get(GetCurrentThread(), &description)) || description == nullptr) return L"";
    std::wstring text = description;
    LocalFree(description);
    return text;
}

}  // namespace

TEST(WindowsThread, RunsWithTheRequestedStackAndReportsItsId) {
    unsigned long seenId = 0;
    std::atomic<bool> deepStackUsed{false};
    ASSERT_TRUE(runOnNewThread(
        [&] {
            seenId = Platform::currentThreadId();
            // 1.5 MB on the stack needs more than the default reservation of 1 MB.
            volatile char block[1536 * 1024];
            block[0] = 1;
            block[sizeof block - 1] = 2;
            deepStackUsed = block[0] + block[sizeof block - 1] == 3;
        },
        4u << 20));
    EXPECT_TRUE(deepStackUsed);
    EXPECT_NE(seenId, 0u);
    EXPECT_NE(seenId, Platform::currentThreadId());
}

TEST(WindowsThread, PriorityIsSetFromAnotherThread) {
    Platform::Event ready(true);
    Platform::Event go(true);
    std::atomic<int> seen{99};
    struct Shared {
        Platform::Event* ready;
        Platform::Event* go;
        std::atomic<int>* seen;
    } shared{&ready, &go, &seen};
    Platform::ThreadHandle thread = Platform::startThread(
        [](void* argument) {
            Shared* s = static_cast<Shared*>(argument);
            s->ready->set();
            s->go->wait();
            *s->seen = static_cast<int>(Platform::currentThreadPriority());
        },
        &shared, 0);
    ASSERT_NE(thread, nullptr);
    ready.wait();
    EXPECT_TRUE(Platform::setThreadPriority(thread, Platform::ThreadPriority::BelowNormal));
    EXPECT_EQ(GetThreadPriority(thread->handle), THREAD_PRIORITY_BELOW_NORMAL);
    go.set();
    EXPECT_TRUE(Platform::joinThread(thread));
    EXPECT_EQ(seen.load(), static_cast<int>(Platform::ThreadPriority::BelowNormal));
    EXPECT_EQ(Platform::currentThreadPriority(), Platform::ThreadPriority::Normal);
}

TEST(WindowsThread, NamingSurvivesWithoutADebuggerAndSetsTheDescription) {
    std::wstring description = L"unset";
    ASSERT_TRUE(runOnNewThread([&] {
        Platform::setCurrentThreadName("decoder \xE2\x82\xAC");
        description = currentThreadDescription();
    }));
    if (Platform::kernel32().setThreadDescription != nullptr) {
        EXPECT_EQ(description, L"decoder \u20AC");
    }
}

TEST(WindowsThread, AKilledThreadEndsWithTheForcedExitCode) {
    Platform::Event never(true);
    Platform::Event started(true);
    struct Shared {
        Platform::Event* never;
        Platform::Event* started;
    } shared{&never, &started};
    Platform::ThreadHandle thread = Platform::startThread(
        [](void* argument) {
            Shared* s = static_cast<Shared*>(argument);
            s->started->set();
            s->never->wait();
        },
        &shared, 0);
    ASSERT_NE(thread, nullptr);
    started.wait();
    ASSERT_TRUE(Platform::killThread(thread));
    ASSERT_EQ(WaitForSingleObject(thread->handle, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeThread(thread->handle, &exitCode));
    EXPECT_EQ(exitCode, 0xFFFFFFFFu);
    EXPECT_TRUE(Platform::joinThread(thread));
    EXPECT_FALSE(Platform::killThread(nullptr));
}

TEST(WindowsAffinity, TheNumaAndGroupFunctionsAreFoundByName) {
    const Platform::Kernel32Functions& k = Platform::kernel32();
    EXPECT_NE(k.getNumaHighestNodeNumber, nullptr);
    EXPECT_NE(k.getNumaNodeProcessorMask, nullptr);
    EXPECT_NE(k.getLogicalProcessorInformationEx, nullptr);
    EXPECT_NE(k.setThreadGroupAffinity, nullptr);
    EXPECT_NE(k.getThreadGroupAffinity, nullptr);
}

TEST(WindowsAffinity, ProcessProcessorsMatchTheSystemCount) {
    Platform::CpuSet processors;
    ASSERT_TRUE(Platform::getProcessAffinity(processors));
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    // The test machine has one processor group: every processor of the system.
    EXPECT_EQ(processors.count(), static_cast<int>(info.dwNumberOfProcessors));
    EXPECT_EQ(Platform::processorCount(), processors.count());
    for (int p = 0; p < static_cast<int>(info.dwNumberOfProcessors); ++p) EXPECT_TRUE(processors.contains(p)) << p;
}

TEST(WindowsAffinity, AThreadRestrictedToOneProcessorReportsIt) {
    Platform::CpuSet processors;
    ASSERT_TRUE(Platform::getProcessAffinity(processors));
    int last = Platform::CpuSet::kMaxProcessors - 1;
    while (!processors.contains(last)) --last;
    Platform::CpuSet one;
    one.add(last);
    Platform::CpuSet seen;
    KAFFINITY systemMask = 0;
    Platform::Event placed(true);
    Platform::Event done(true);
    struct Shared {
        Platform::Event* placed;
        Platform::CpuSet* seen;
        KAFFINITY* mask;
    } shared{&placed, &seen, &systemMask};
    Platform::ThreadHandle thread = Platform::startThread(
        [](void* argument) {
            Shared* s = static_cast<Shared*>(argument);
            s->placed->wait();
            Platform::getCurrentThreadAffinity(*s->seen);
            GROUP_AFFINITY affinity{};
            if (GetThreadGroupAffinity(GetCurrentThread(), &affinity)) *s->mask = affinity.Mask;
        },
        &shared, 0);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(Platform::setThreadAffinity(thread, one));
    placed.set();
    Platform::joinThread(thread);
    EXPECT_EQ(seen, one);
    EXPECT_EQ(systemMask, KAFFINITY(1) << (last % 64));
    EXPECT_FALSE(Platform::setThreadAffinity(nullptr, one));
    Platform::ThreadHandle self = Platform::duplicateCurrentThreadHandle();
    EXPECT_FALSE(Platform::setThreadAffinity(self, Platform::CpuSet()));
    Platform::closeThreadHandle(self);
}

TEST(WindowsNumaNodes, TheSystemsNodesCoverTheProcessorsOnce) {
    std::vector<Platform::NumaNode> nodes;
    ASSERT_TRUE(Platform::readNumaNodes(nodes));
    ASSERT_FALSE(nodes.empty());
    Platform::CpuSet all;
    int total = 0;
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(nodes[i - 1].id, nodes[i].id);
        }
        total += nodes[i].processors.count();
        for (int p = 0; p < Platform::CpuSet::kMaxProcessors; ++p) {
            if (nodes[i].processors.contains(p)) all.add(p);
        }
    }
    Platform::CpuSet process;
    ASSERT_TRUE(Platform::getProcessAffinity(process));
    EXPECT_EQ(all, process);
    EXPECT_EQ(total, process.count());
}

TEST(WindowsNumaNodes, OnlyTheSystemsOwnListExists) {
    std::vector<Platform::NumaNode> nodes(1);
    EXPECT_FALSE(Platform::readNumaNodes(nodes, "C:\\nodes"));
    EXPECT_TRUE(nodes.empty());
    EXPECT_FALSE(Platform::readNumaNodes(nodes, nullptr));
}
