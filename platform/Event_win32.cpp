#include "platform/Event.h"

#include <windows.h>

#include <new>

namespace Platform {

struct Event::State {
    HANDLE handle;
};

namespace {

// Window messages and input of every kind, posted messages included.
constexpr DWORD kWakeMask = QS_ALLINPUT | QS_ALLPOSTMESSAGE;
static_assert(kWakeMask == 0x5FF, "all input and all posted messages");

}  // namespace

Event::Event(bool manualReset, bool initiallySignalled) {
    static_assert(sizeof(State) <= sizeof(m_storage), "event storage too small");
    State* s = new (m_storage) State;
    s->handle = CreateEventW(nullptr, manualReset ? TRUE : FALSE, initiallySignalled ? TRUE : FALSE, nullptr);
}

Event::~Event() {
    if (state().handle != nullptr) CloseHandle(state().handle);
    state().~State();
}

Event::State& Event::state() { return *reinterpret_cast<State*>(m_storage); }

void Event::set() { SetEvent(state().handle); }

void Event::reset() { ResetEvent(state().handle); }

bool Event::wait(unsigned timeoutMs) { return WaitForSingleObject(state().handle, timeoutMs) == WAIT_OBJECT_0; }

bool Event::waitOrMessage(unsigned timeoutMs) {
    HANDLE handle = state().handle;
    return MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs, kWakeMask) == WAIT_OBJECT_0;
}

int Event::waitEither(Event& first, Event& second, unsigned timeoutMs) {
    // The system refuses to wait for one handle twice.
    if (&first == &second) return first.wait(timeoutMs) ? 0 : -1;
    const HANDLE handles[2] = {first.state().handle, second.state().handle};
    const DWORD result = WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
    if (result == WAIT_OBJECT_0) return 0;
    if (result == WAIT_OBJECT_0 + 1) return 1;
    return -1;
}

}  // namespace Platform
