// The thread pool interface shared by the loader, its hosts and its plug-ins.
//
// This is a binary interface: a host may pass its own ThreadManager implementation to the
// loader, and the loader hands it on to plug-ins. The order and signatures of the virtual
// operations below must therefore never change. The header depends on nothing else of the
// project so that hosts and plug-ins can include it on its own.
#pragma once

#include <cstdint>

// Caller-supplied object through which ThreadManager::run reports progress, learns that the
// caller wants the work stopped, and keeps a user interface alive while it waits. The thread
// manager calls only the operations marked as used; the others hold their slots so that the
// used ones sit at their fixed positions.
class ProgressCallback {
public:
    virtual void unusedSlot0() {}
    virtual void unusedSlot1() {}
    virtual void unusedSlot2() {}
    virtual void unusedSlot3() {}
    // Used: the number of work units done so far.
    virtual void setProgress(int done) { (void)done; }
    virtual void unusedSlot5() {}
    virtual void unusedSlot6() {}
    virtual void unusedSlot7() {}
    // Used: non-zero when the caller wants the work stopped; the value becomes run's result.
    virtual int getAbort() { return 0; }
    virtual void unusedSlot9() {}
    virtual void unusedSlot10() {}
    // Used: non-zero when the waiting thread must keep processing user-interface messages.
    virtual int isInteractive() { return 0; }
    // Used: process pending user-interface messages of the calling thread.
    virtual void processMessages() {}
    virtual void unusedSlot13() {}
    virtual void unusedSlot14() {}
    virtual void unusedSlot15() {}
    // Used: a printf-style status line; the thread manager passes 0 and 30000 first.
    virtual void info(int kind, int duration, const char* format, ...) { (void)kind; (void)duration; (void)format; }
    virtual void unusedSlot17() {}
    virtual void unusedSlot18() {}
    // Used: once after the "Setting up" message of run.
    virtual void onSetUp() {}
    // Used: once when the threads of run have finished, before the completion message.
    virtual void onDone() {}

protected:
    ~ProgressCallback() = default;
};

// The unit of work of ThreadManager::run: executed by `threadCount` threads at once.
class MultiThreadProcedure {
public:
    // `result` points at resultWord; `progress` at the calling thread's own progress counter.
    virtual void run(int* result, int* progress, int threadIndex, int threadCount) = 0;
    // A name for the executing threads (shown in debuggers), or null.
    virtual const char* getName() { return nullptr; }

    // Added to the threads' progress counters when progress is reported.
    int progressBase = 0;
    // Cleared by run before the threads start; a thread that finds it non-zero skips its call.
    // run returns its final value.
    int resultWord = 0;

protected:
    ~MultiThreadProcedure() = default;
};

namespace ZUtils {

// The unit of work of ThreadManager::startThread: executed once on one pooled thread.
class ThreadProcedure {
public:
    // `argument` is the integer given to startThread.
    virtual void run(std::intptr_t argument) = 0;
    // A name for the executing thread (shown in debuggers), or null.
    virtual const char* getName() { return nullptr; }

protected:
    ~ThreadProcedure() = default;
};

// An abstract pool of worker threads. No virtual destructor: the creator of a manager destroys it
// through its own type.
class ThreadManager {
public:
    // Stops and forgets all worker threads. `force` may end threads that do not stop in time
    // where the platform can do that safely.
    virtual void terminateThreads(bool force) = 0;
    // Runs `procedure` on `threadCount` threads at once (0: the default thread count) and waits
    // for all of them; returns the procedure's result word. `progress` may be null.
    virtual int run(int threadCount, MultiThreadProcedure* procedure, ProgressCallback* progress,
                    bool reportProgress) = 0;
    // Threads started from now on run below normal priority when `flag` is non-zero.
    virtual void setLowPriority(int flag) = 0;
    // Runs `procedure` with `argument` on one pooled thread without waiting. Returns 0; the
    // built-in pool returns a non-zero value when no thread could be provided, in which case
    // the procedure will not run.
    virtual int startThread(ThreadProcedure* procedure, int argument) = 0;
    // Stack size in bytes for threads created from now on; 0 means the platform default.
    virtual void setStackSize(int bytes) = 0;
    // Index of the calling worker thread within its current run call (0 on a thread serving
    // startThread), -1 on a thread that is not a worker of this manager.
    virtual int getThreadIndex() = 0;

protected:
    ~ThreadManager() = default;
};

}  // namespace ZUtils
