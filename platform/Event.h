// Events: a signalled/unsignalled flag that threads can wait for.
#pragma once

#include <cstddef>

namespace Platform {

// Timeout value of the waits that means "no time limit".
constexpr unsigned kInfinite = 0xFFFFFFFFu;

// A manual-reset event stays signalled until reset() and releases every waiter; an automatic-reset
// event releases one waiter and returns to unsignalled as that waiter leaves its wait.
// The event lives inside the object (no allocation), so construction cannot fail.
// An event must not be destroyed while a thread waits for it.
class Event {
public:
    explicit Event(bool manualReset, bool initiallySignalled = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();

    // Waits until the event is signalled or `timeoutMs` milliseconds have passed (kInfinite: no
    // limit). Returns true when the event was signalled (consuming it if automatic-reset).
    bool wait(unsigned timeoutMs = kInfinite);

    // As wait(), but a user-interface thread is also woken (returning false) as soon as a window
    // message or input arrives in its queue (MsgWaitForMultipleObjects), so that it can process it.
    // Where threads have no message queue (POSIX) the same as wait().
    bool waitOrMessage(unsigned timeoutMs);

    // Waits for whichever of two events is signalled first. Returns 0 or 1 for the event that ended
    // the wait (the first one when both are signalled), -1 when `timeoutMs` passed.
    static int waitEither(Event& first, Event& second, unsigned timeoutMs = kInfinite);

    struct State;

private:
    State& state();
    alignas(std::max_align_t) unsigned char m_storage[160];
};

}  // namespace Platform
