// Events, message waits, critical sections and thread-local slots on Windows.
#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "platform/MessagePump.h"
#include "platform/ThreadLocal.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

namespace {

constexpr UINT kTestMessage = WM_APP + 7;

// Whether the calling thread's queue holds a message of that kind (it stays there).
bool queued(UINT message) {
    MSG found;
    return PeekMessageW(&found, nullptr, message, message, PM_NOREMOVE) != 0;
}

}  // namespace

TEST(WindowsEvent, AutomaticResetReleasesOneWaitAndManualResetStays) {
    Platform::Event automatic(false, true);
    EXPECT_TRUE(automatic.wait(0));
    EXPECT_FALSE(automatic.wait(0));
    Platform::Event manual(true);
    EXPECT_FALSE(manual.wait(0));
    manual.set();
    EXPECT_TRUE(manual.wait(0));
    EXPECT_TRUE(manual.wait(0));
    manual.reset();
    EXPECT_FALSE(manual.wait(0));
}

TEST(WindowsEvent, WaitEitherNamesTheSignalledEventAndAcceptsOneEventTwice) {
    Platform::Event first(false);
    Platform::Event second(false);
    EXPECT_EQ(Platform::Event::waitEither(first, second, 0), -1);
    std::thread setter([&] { second.set(); });
    EXPECT_EQ(Platform::Event::waitEither(first, second), 1);
    setter.join();
    first.set();
    second.set();
    EXPECT_EQ(Platform::Event::waitEither(first, second, 0), 0);
    EXPECT_EQ(Platform::Event::waitEither(second, second, 0), 0);
}

TEST(WindowsEvent, MessageWaitWakesForAPostedMessageAndForTheEvent) {
    Platform::Event event(true);
    // Without this the thread has no message queue yet.
    EXPECT_FALSE(queued(kTestMessage));
    const DWORD self = GetCurrentThreadId();
    std::thread poster([self] { PostThreadMessageW(self, kTestMessage, 0, 0); });
    poster.join();
    // Should the message not end the wait, a watchdog ends it through the event, and the wait
    // reports the event.
    Platform::Event cancelWatchdog(true);
    std::thread watchdog([&] {
        if (!cancelWatchdog.wait(30000)) event.set();
    });
    const bool endedByEvent = event.waitOrMessage(Platform::kInfinite);
    cancelWatchdog.set();
    watchdog.join();
    EXPECT_FALSE(endedByEvent);
    EXPECT_TRUE(queued(kTestMessage));
    Platform::dispatchPendingMessages();
    EXPECT_FALSE(queued(kTestMessage));
    event.reset();
    std::thread setter([&] { event.set(); });
    setter.join();
    EXPECT_TRUE(event.waitOrMessage(Platform::kInfinite));
}

TEST(WindowsMessagePump, DispatchingKeepsAQuitForTheThreadsOwnLoop) {
    PostQuitMessage(3);
    Platform::dispatchPendingMessages();
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 3u);
}

TEST(WindowsCriticalSection, IsRecursiveAndExcludesOtherThreads) {
    Platform::CriticalSection section(2000);
    section.enter();
    EXPECT_TRUE(section.tryEnter());
    std::atomic<bool> otherEntered{true};
    std::thread other([&] {
        otherEntered = section.tryEnter();
        if (otherEntered) section.leave();
    });
    other.join();
    EXPECT_FALSE(otherEntered);
    section.leave();
    section.leave();
    std::thread after([&] {
        otherEntered = section.tryEnter();
        if (otherEntered) section.leave();
    });
    after.join();
    EXPECT_TRUE(otherEntered);
}

TEST(WindowsThreadLocal, EachThreadSeesItsOwnValue) {
    Platform::ThreadLocalSlot slot;
    ASSERT_TRUE(slot.valid());
    int mine = 1;
    int theirs = 2;
    ASSERT_TRUE(slot.set(&mine));
    void* seenBefore = &mine;
    void* seenAfter = nullptr;
    std::thread other([&] {
        seenBefore = slot.get();
        slot.set(&theirs);
        seenAfter = slot.get();
    });
    other.join();
    EXPECT_EQ(seenBefore, nullptr);
    EXPECT_EQ(seenAfter, &theirs);
    EXPECT_EQ(slot.get(), &mine);
}
