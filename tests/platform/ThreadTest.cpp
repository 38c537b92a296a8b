#include "platform/Thread.h"
#include "platform/ThreadLocal.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>

#include <string>
#include <thread>

namespace {

struct Probe {
    int argument = 0;
    unsigned long id = 0;
    std::size_t stackSize = 0;
    std::string name;
    Platform::ThreadPriority priority = Platform::ThreadPriority::Normal;
};

void recordThread(void* raw) {
    Probe* probe = static_cast<Probe*>(raw);
    probe->argument += 1;
    probe->id = Platform::currentThreadId();
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
        pthread_attr_getstacksize(&attributes, &probe->stackSize);
        pthread_attr_destroy(&attributes);
    }
    probe->priority = Platform::currentThreadPriority();
}

void nameThread(void* raw) {
    Probe* probe = static_cast<Probe*>(raw);
    Platform::setCurrentThreadName("a-rather-long-worker-name");
    char name[32] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    probe->name = name;
}

}  // namespace

TEST(Thread, RunsTheEntryWithItsArgumentOnAnotherThread) {
    Probe probe;
    probe.argument = 41;
    Platform::ThreadHandle thread = Platform::startThread(recordThread, &probe, 0);
    ASSERT_NE(thread, nullptr);
    const unsigned long idFromHandle = Platform::threadId(thread);
    EXPECT_TRUE(Platform::joinThread(thread));
    EXPECT_EQ(probe.argument, 42);
    EXPECT_NE(probe.id, 0u);
    EXPECT_NE(probe.id, Platform::currentThreadId());
    EXPECT_EQ(idFromHandle, probe.id);
}

TEST(Thread, HonoursTheRequestedStackSize) {
    for (std::size_t requested : {std::size_t(256 * 1024), std::size_t(3 * 1024 * 1024 + 100)}) {
        Probe probe;
        Platform::ThreadHandle thread = Platform::startThread(recordThread, &probe, requested);
        ASSERT_NE(thread, nullptr);
        Platform::joinThread(thread);
        // The system may hand out a larger stack that it kept from an earlier thread.
        EXPECT_GE(probe.stackSize, requested);
    }
}

TEST(Thread, TooSmallStackSizeIsRaisedToTheMinimum) {
    Probe probe;
    Platform::ThreadHandle thread = Platform::startThread(recordThread, &probe, 1);
    ASSERT_NE(thread, nullptr);
    Platform::joinThread(thread);
    EXPECT_GE(probe.stackSize, static_cast<std::size_t>(PTHREAD_STACK_MIN));
}

TEST(Thread, NamesAreCutToWhatTheSystemKeeps) {
    Probe probe;
    Platform::ThreadHandle thread = Platform::startThread(nameThread, &probe, 0);
    ASSERT_NE(thread, nullptr);
    Platform::joinThread(thread);
    EXPECT_EQ(probe.name, "a-rather-long-w");
}

TEST(Thread, DuplicatedHandleRefersToTheCallingThread) {
    unsigned long idInside = 0;
    unsigned long idOfHandle = 0;
    std::thread([&] {
        Platform::ThreadHandle self = Platform::duplicateCurrentThreadHandle();
        idInside = Platform::currentThreadId();
        idOfHandle = Platform::threadId(self);
        Platform::closeThreadHandle(self);
    }).join();
    EXPECT_NE(idInside, 0u);
    EXPECT_EQ(idOfHandle, idInside);
    EXPECT_EQ(Platform::threadId(nullptr), 0u);
}

TEST(Thread, BelowNormalPriorityIsSeenByTheThread) {
    errno = 0;
    if (getpriority(PRIO_PROCESS, 0) >= 19) GTEST_SKIP() << "the process already runs at the lowest priority";
    Probe probe;
    // The thread lowers itself through a handle to itself, then reports what it sees.
    std::thread([&] {
        Platform::ThreadHandle self = Platform::duplicateCurrentThreadHandle();
        EXPECT_EQ(Platform::currentThreadPriority(), Platform::ThreadPriority::Normal);
        EXPECT_TRUE(Platform::setThreadPriority(self, Platform::ThreadPriority::BelowNormal));
        probe.priority = Platform::currentThreadPriority();
        Platform::closeThreadHandle(self);
    }).join();
    EXPECT_EQ(probe.priority, Platform::ThreadPriority::BelowNormal);
    EXPECT_EQ(Platform::currentThreadPriority(), Platform::ThreadPriority::Normal);
    EXPECT_FALSE(Platform::setThreadPriority(nullptr, Platform::ThreadPriority::Normal));
}

TEST(ThreadLocalSlot, EachThreadSeesItsOwnValue) {
    Platform::ThreadLocalSlot slot;
    ASSERT_TRUE(slot.valid());
    int mine = 1;
    int theirs = 2;
    EXPECT_EQ(slot.get(), nullptr);
    EXPECT_TRUE(slot.set(&mine));
    void* seenBefore = &theirs;
    void* seenAfter = nullptr;
    std::thread([&] {
        seenBefore = slot.get();
        slot.set(&theirs);
        seenAfter = slot.get();
    }).join();
    EXPECT_EQ(seenBefore, nullptr);
    EXPECT_EQ(seenAfter, &theirs);
    EXPECT_EQ(slot.get(), &mine);
}

TEST(ThreadLocalSlot, SlotsAreIndependent) {
    Platform::ThreadLocalSlot a;
    Platform::ThreadLocalSlot b;
    int value = 0;
    a.set(&value);
    EXPECT_EQ(a.get(), &value);
    EXPECT_EQ(b.get(), nullptr);
}
