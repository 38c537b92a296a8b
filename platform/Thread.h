// Threads: starting them, handles for acting on them from other threads, priority, naming, ids and
// sleeping.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Platform {

struct ThreadObject;
// Refers to one thread. Handles come from startThread or duplicateCurrentThreadHandle and are
// released with joinThread or closeThreadHandle.
using ThreadHandle = ThreadObject*;
using ThreadEntry = void (*)(void* argument);

// Starts a thread that runs entry(argument). `stackSize` is in bytes; 0 means the platform
// default, and sizes below the platform minimum are raised to it. Returns null when the thread
// cannot be started. The thread is fully started when this returns, so the handle can be used at
// once for priority and affinity.
ThreadHandle startThread(ThreadEntry entry, void* argument, std::size_t stackSize);

// A new handle to the calling thread, for acting on it from other threads; null when it cannot be
// made. It must be closed with closeThreadHandle.
ThreadHandle duplicateCurrentThreadHandle();

// Waits for a thread made by startThread to end and releases its handle. False (with the handle
// released) when the handle cannot be joined.
bool joinThread(ThreadHandle thread);

// Releases a handle. A thread made by startThread runs on and cleans up after itself when it ends.
// A null handle is ignored.
void closeThreadHandle(ThreadHandle thread);

// Ends a thread at once, wherever it is, with exit code 0xFFFFFFFF (TerminateThread): the last
// resort for a thread that does not stop. Nothing it holds is released. The handle stays valid.
// Where a thread cannot be ended from outside (POSIX) this does nothing and returns false.
bool killThread(ThreadHandle thread);

// Two levels: normal is the process's level at start-up, below normal one step lower. Lowering is
// always allowed; returning a thread to normal may need a privilege the process lacks, in which
// case setThreadPriority fails and the thread stays below normal.
enum class ThreadPriority { BelowNormal = -1, Normal = 0 };
bool setThreadPriority(ThreadHandle thread, ThreadPriority priority);
ThreadPriority currentThreadPriority();

// Names the calling thread for debuggers and system tools; long names are cut to what the
// platform keeps (15 characters on Linux). A null name is ignored.
void setCurrentThreadName(const char* name);

// The system's id of the calling thread, and of the thread a handle refers to (0 for null).
unsigned long currentThreadId();
unsigned long threadId(ThreadHandle thread);

void sleepMs(unsigned milliseconds);

// A monotonic millisecond counter for measuring waits.
std::uint64_t tickCountMs();

}  // namespace Platform
