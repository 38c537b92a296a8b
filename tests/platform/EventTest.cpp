#include "platform/Event.h"

#include <gtest/gtest.h>

#include <thread>

using Platform::Event;

TEST(Event, ManualResetStaysSignalledUntilReset) {
    Event event(true);
    EXPECT_FALSE(event.wait(0));
    event.set();
    EXPECT_TRUE(event.wait(0));
    EXPECT_TRUE(event.wait(0));
    event.reset();
    EXPECT_FALSE(event.wait(0));
}

TEST(Event, AutomaticResetReleasesOneWait) {
    Event event(false, true);
    EXPECT_TRUE(event.wait(0));
    EXPECT_FALSE(event.wait(0));
    event.set();
    event.set();  // no count: a second set before any wait changes nothing
    EXPECT_TRUE(event.wait(0));
    EXPECT_FALSE(event.wait(0));
}

TEST(Event, TimedWaitEndsUnsignalled) {
    Event event(true);
    EXPECT_FALSE(event.wait(5));
}

TEST(Event, WaitWithoutLimitWakesOnSetFromAnotherThread) {
    Event request(false);
    Event reply(false);
    std::thread other([&] {
        request.wait();
        reply.set();
    });
    request.set();
    EXPECT_TRUE(reply.wait());
    other.join();
}

TEST(Event, ManualResetReleasesEveryWaiter) {
    Event gate(true);
    Event firstArrived(true);
    Event secondArrived(true);
    std::thread a([&] {
        gate.wait();
        firstArrived.set();
    });
    std::thread b([&] {
        gate.wait();
        secondArrived.set();
    });
    gate.set();
    EXPECT_TRUE(firstArrived.wait());
    EXPECT_TRUE(secondArrived.wait());
    a.join();
    b.join();
    EXPECT_TRUE(gate.wait(0));
}

TEST(Event, WaitEitherReportsWhichEventEndedTheWait) {
    Event first(false);
    Event second(true);
    EXPECT_EQ(Event::waitEither(first, second, 0), -1);
    second.set();
    EXPECT_EQ(Event::waitEither(first, second, 0), 1);
    EXPECT_EQ(Event::waitEither(first, second, 0), 1);  // manual reset: still signalled
    first.set();
    EXPECT_EQ(Event::waitEither(first, second, 0), 0);  // the first wins a tie
    EXPECT_EQ(Event::waitEither(first, second, 0), 1);  // ... and was consumed (automatic reset)
}

TEST(Event, WaitEitherTimesOut) {
    Event first(false);
    Event second(false);
    EXPECT_EQ(Event::waitEither(first, second, 5), -1);
}

TEST(Event, WaitEitherWakesOnEitherFromAnotherThread) {
    for (int which = 0; which < 2; ++which) {
        Event first(false);
        Event second(false);
        Event waiting(true);
        int result = -2;
        std::thread waiter([&] {
            waiting.set();
            result = Event::waitEither(first, second);
        });
        waiting.wait();
        (which == 0 ? first : second).set();
        waiter.join();
        EXPECT_EQ(result, which);
    }
}

TEST(Event, OneAutomaticSetReleasesExactlyOneOfManyWaiters) {
    Event shared(false);
    Event other(false);
    Event finished(false);
    std::thread plain([&] {
        shared.wait();
        finished.set();
    });
    std::thread either([&] {
        Event::waitEither(shared, other);
        finished.set();
    });
    shared.set();
    ASSERT_TRUE(finished.wait());
    // The second waiter is still waiting: a wait on the event now finds nothing.
    EXPECT_FALSE(shared.wait(0));
    shared.set();
    ASSERT_TRUE(finished.wait());
    plain.join();
    either.join();
}
