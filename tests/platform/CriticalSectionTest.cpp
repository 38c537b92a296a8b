#include "platform/CriticalSection.h"
#include "platform/Event.h"

#include <gtest/gtest.h>

#include <thread>

using Platform::CriticalSection;

TEST(CriticalSection, OwnerMayEnterAgain) {
    CriticalSection section(2000);
    section.enter();
    EXPECT_TRUE(section.tryEnter());
    section.leave();
    section.leave();
}

TEST(CriticalSection, OtherThreadsWaitUntilEveryEntryIsLeft) {
    CriticalSection section(100);
    section.enter();
    section.enter();
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = section.tryEnter(); }).join();
    EXPECT_FALSE(otherGotIt);
    section.leave();
    std::thread([&] { otherGotIt = section.tryEnter(); }).join();
    EXPECT_FALSE(otherGotIt);
    section.leave();
    std::thread([&] {
        otherGotIt = section.tryEnter();
        if (otherGotIt) section.leave();
    }).join();
    EXPECT_TRUE(otherGotIt);
}

TEST(CriticalSection, BlockedEnterProceedsAfterLeave) {
    CriticalSection section(10);
    Platform::Event waiting(true);
    int value = 0;
    section.enter();
    std::thread other([&] {
        waiting.set();
        section.enter();
        value += 1;
        section.leave();
    });
    waiting.wait();
    value = 41;  // the other thread cannot have added yet
    section.leave();
    other.join();
    EXPECT_EQ(value, 42);
}

TEST(CriticalSection, SerialisesConcurrentUpdates) {
    CriticalSection section(2000);
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            Platform::ScopedLock lock(section);
            ++counter;
        }
    };
    std::thread a(work);
    std::thread b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
}
