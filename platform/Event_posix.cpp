#include "platform/Event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

namespace Platform {

namespace {

using Clock = std::chrono::steady_clock;

// A thread in waitEither: every event it waits for wakes it through this.
struct MultiWaiter {
    std::mutex mutex;
    std::condition_variable wake;
    bool woken = false;
};

// The entry of a MultiWaiter in one event's list; lives on the waiting thread's stack.
struct Registration {
    MultiWaiter* waiter = nullptr;
    Registration* next = nullptr;
};

Clock::time_point deadlineAfter(unsigned timeoutMs) {
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

}  // namespace

struct Event::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
    bool manualReset = false;
    Registration* registrations = nullptr;

    // With the mutex held: takes the signal if there is one.
    bool consume() {
        if (!signalled) return false;
        if (!manualReset) signalled = false;
        return true;
    }

    void add(Registration& registration) {
        std::lock_guard<std::mutex> lock(mutex);
        registration.next = registrations;
        registrations = &registration;
    }

    void remove(Registration& registration) {
        std::lock_guard<std::mutex> lock(mutex);
        for (Registration** link = &registrations; *link != nullptr; link = &(*link)->next) {
            if (*link == &registration) {
                *link = registration.next;
                return;
            }
        }
    }

    bool tryConsume() {
        std::lock_guard<std::mutex> lock(mutex);
        return consume();
    }
};

Event::Event(bool manualReset, bool initiallySignalled) {
    static_assert(sizeof(State) <= sizeof(m_storage) && alignof(State) <= alignof(std::max_align_t),
                  "event storage too small");
    State* s = new (m_storage) State;
    s->manualReset = manualReset;
    s->signalled = initiallySignalled;
}

Event::~Event() { state().~State(); }

Event::State& Event::state() { return *reinterpret_cast<State*>(m_storage); }

void Event::set() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.signalled = true;
    if (s.manualReset) {
        s.changed.notify_all();
    } else {
        s.changed.notify_one();
    }
    for (Registration* r = s.registrations; r != nullptr; r = r->next) {
        std::lock_guard<std::mutex> waiterLock(r->waiter->mutex);
        r->waiter->woken = true;
        r->waiter->wake.notify_one();
    }
}

void Event::reset() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.signalled = false;
}

bool Event::wait(unsigned timeoutMs) {
    State& s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (timeoutMs == kInfinite) {
        s.changed.wait(lock, [&s] { return s.signalled; });
    } else if (!s.changed.wait_until(lock, deadlineAfter(timeoutMs), [&s] { return s.signalled; })) {
        return false;
    }
    return s.consume();
}

bool Event::waitOrMessage(unsigned timeoutMs) { return wait(timeoutMs); }

int Event::waitEither(Event& first, Event& second, unsigned timeoutMs) {
    if (&first == &second) return first.wait(timeoutMs) ? 0 : -1;
    const Clock::time_point deadline = deadlineAfter(timeoutMs == kInfinite ? 0 : timeoutMs);
    State& a = first.state();
    State& b = second.state();
    MultiWaiter waiter;
    Registration inFirst{&waiter, nullptr};
    Registration inSecond{&waiter, nullptr};
    // Registered before looking, so a set() after the look is sure to wake us.
    a.add(inFirst);
    b.add(inSecond);
    int result = -1;
    for (;;) {
        if (a.tryConsume()) {
            result = 0;
            break;
        }
        if (b.tryConsume()) {
            result = 1;
            break;
        }
        std::unique_lock<std::mutex> lock(waiter.mutex);
        if (timeoutMs == kInfinite) {
            waiter.wake.wait(lock, [&waiter] { return waiter.woken; });
        } else if (!waiter.wake.wait_until(lock, deadline, [&waiter] { return waiter.woken; })) {
            break;
        }
        waiter.woken = false;
    }
    a.remove(inFirst);
    b.remove(inSecond);
    return result;
}

}  // namespace Platform
