// Threads, thread-local slots, events and critical sections.
#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "platform/Thread.h"
#include "platform/ThreadLocal.h"
#include "tests/platform/ScratchDirectory.h"

#include <pthread.h>
#include <sys/resource.h>
#include <thread>

using namespace Platform;

struct Probe {
    unsigned long id = 0, idOfOwnHandle = 0;
    size_t stackSize = 0;
    char name[32] = {};
    ThreadPriority lowered = ThreadPriority::Normal;
};

static void recordThread(void* raw) {
    Probe* probe = static_cast<Probe*>(raw);
    probe->id = currentThreadId();
    pthread_attr_t attributes;
    pthread_getattr_np(pthread_self(), &attributes);
    pthread_attr_getstacksize(&attributes, &probe->stackSize);
    pthread_attr_destroy(&attributes);
    setCurrentThreadName("a-rather-long-worker-name");
    pthread_getname_np(pthread_self(), probe->name, sizeof probe->name);
    ThreadHandle self = duplicateCurrentThreadHandle();
    probe->idOfOwnHandle = threadId(self);
    if (currentThreadPriority() == ThreadPriority::Normal && setThreadPriority(self, ThreadPriority::BelowNormal))
        probe->lowered = currentThreadPriority();
    closeThreadHandle(self);
}

TEST(Thread, RunsTheEntryOnItsArgumentWithNameStackSizeAndPriority) {
    // The system may hand out a larger stack that it kept from an earlier thread.
    for (size_t requested : {size_t(0), size_t(1), size_t(256 * 1024), size_t(3 * 1024 * 1024 + 100)}) {
        Probe probe;
        ThreadHandle thread = startThread(recordThread, &probe, requested);
        ASSERT_NE(thread, nullptr);
        const unsigned long idFromHandle = threadId(thread);
        EXPECT_TRUE(joinThread(thread));
        EXPECT_TRUE(probe.id != currentThreadId() && probe.id == idFromHandle && probe.id == probe.idOfOwnHandle);
        EXPECT_GE(probe.stackSize, std::max<size_t>(requested, PTHREAD_STACK_MIN));
        EXPECT_STREQ(probe.name, "a-rather-long-w");
        // One step below normal, unless the process already runs at the lowest priority.
        const bool canLower = getpriority(PRIO_PROCESS, 0) < 19;
        EXPECT_EQ(probe.lowered, canLower ? ThreadPriority::BelowNormal : ThreadPriority::Normal);
    }
    EXPECT_EQ(currentThreadPriority(), ThreadPriority::Normal);
    EXPECT_FALSE(threadId(nullptr) || joinThread(nullptr) || killThread(nullptr) ||
                 setThreadPriority(nullptr, ThreadPriority::Normal));
}

TEST(ThreadLocalSlot, EachThreadAndSlotHoldsItsOwnValue) {
    ThreadLocalSlot slot, other;
    int mine = 1, theirs = 2;
    void* seen[2] = {&theirs, nullptr};
    ASSERT_TRUE(slot.valid() && slot.get() == nullptr && slot.set(&mine));
    std::thread([&] { seen[0] = slot.get(); slot.set(&theirs); seen[1] = slot.get(); }).join();
    EXPECT_TRUE(seen[0] == nullptr && seen[1] == &theirs && slot.get() == &mine && other.get() == nullptr);
}

TEST(Event, ManualResetStaysSignalledAutomaticResetReleasesOneWaitOfAnyThread) {
    Event manual(true), automatic(false, true), request(false);
    EXPECT_FALSE(manual.wait(5));  // a timed wait ends unsignalled
    manual.set();
    EXPECT_TRUE(manual.wait(0) && manual.wait(0));
    manual.reset();
    automatic.set();  // no count: a second set before any wait changes nothing
    EXPECT_TRUE(!manual.wait(0) && automatic.wait(0) && !automatic.wait(0));
    // waitEither: which event ended the wait, the first on a tie, -1 on time-out.
    EXPECT_EQ(Event::waitEither(automatic, manual, 5), -1);
    manual.set();
    EXPECT_EQ(Event::waitEither(automatic, manual, 0), 1);
    automatic.set();
    EXPECT_EQ(Event::waitEither(automatic, manual, 0), 0);
    EXPECT_EQ(Event::waitEither(automatic, manual, 0), 1);  // the automatic one was consumed
    EXPECT_EQ(Event::waitEither(manual, manual, 0), 0);
    manual.reset();
    EXPECT_EQ(Event::waitEither(manual, manual, 0), -1);
    std::thread waiter([&] { request.wait(); automatic.set(); });  // waits without limit, woken by other threads
    request.set();
    EXPECT_EQ(Event::waitEither(manual, automatic), 1);
    waiter.join();
}

TEST(CriticalSection, OwnerReentersOthersWaitUntilEveryEntryIsLeft) {
    CriticalSection s(10);
    Event tried(true);
    std::string path;
    int value = 0;
    s.enter();
    EXPECT_TRUE(s.tryEnter());
    std::thread other([&] {
        EXPECT_FALSE(s.tryEnter());
        path = "/proc/self/task/" + std::to_string(currentThreadId()) + "/stat";
        tried.set();
        ScopedLock lock(s);
        value += 1;
    });
    tried.wait();
    s.leave();
    // Until the other thread sleeps: its entry has spun and blocks, as one entry is still held.
    for (std::string stat; (stat = readFile(path)).find(") S ") == std::string::npos && !stat.empty();)
        std::this_thread::yield();
    value = 41;
    s.leave();
    other.join();
    EXPECT_EQ(value, 42);
}
