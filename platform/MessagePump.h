// The window messages of a user-interface thread, for code that waits on such a thread.
#pragma once

namespace Platform {

// Removes the pending messages of the calling thread's queue, translating and dispatching each
// (PeekMessage, TranslateMessage, DispatchMessage). A quit message is put back and ends the round,
// so that the thread's own message loop still sees it. Does nothing where threads have no message
// queue (POSIX).
void dispatchPendingMessages();

}  // namespace Platform
