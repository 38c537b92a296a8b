// One pooled thread of the built-in thread manager: its record, its command queue and its loop.
#pragma once

#include "parallel/SequenceBlock.h"
#include "parallel/ThreadManager.h"
#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "platform/Thread.h"
#include "platform/ThreadLocal.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace ZUtils {

// Tracks the threads of one ThreadManager::run call.
struct CompletionRecord {
    std::atomic<int> pending{0};  // threads not yet done
    Platform::Event done{true};   // set by the thread that brings `pending` to 0
    int inUse = 0;
};

class WorkerThread {
public:
    enum State { Free = 0, Running = 1, Terminated = 2, Taken = 3, BeingCreated = 4 };
    enum Command { RunProcedure = 0x1000, Terminate = 0x1001, RunThreadProcedure = 0x1002 };

    // A record in state BeingCreated holding two references: the creator's and the one the
    // thread will own. `slot` receives the record on the thread. Null when out of memory.
    static WorkerThread* create(Platform::ThreadLocalSlot& slot);

    // Starts the system thread. On failure the thread's reference is dropped, the record is
    // marked Terminated and false is returned.
    bool start(std::size_t stackSize);

    // Queues a command and wakes the thread. Throws ExceptionMsg when the queue cannot grow.
    void post(int command);

    // Drops one reference; the last one frees the record.
    void release();

    // Waits up to `timeoutMs` for the thread to leave its loop; true when it has.
    bool waitForTermination(unsigned timeoutMs) { return m_terminated.wait(timeoutMs); }

    std::atomic<int> state{BeingCreated};
    Platform::ThreadHandle handle = nullptr;

    // The current ThreadManager::run call.
    MultiThreadProcedure* procedure = nullptr;
    int* resultWord = nullptr;
    int progress = 0;
    int threadIndex = 0;
    int threadCount = 0;
    CompletionRecord* completion = nullptr;

    // The current ThreadManager::startThread call.
    ThreadProcedure* threadProcedure = nullptr;
    std::intptr_t argument = 0;

private:
    struct CommandNode {
        int code = 0;
        CommandNode* next = nullptr;
    };

    explicit WorkerThread(Platform::ThreadLocalSlot& slot) : m_slot(slot) {}
    ~WorkerThread();

    static void threadMain(void* record);
    void loop();
    int nextCommand();
    void runProcedure();
    void runThreadProcedure();

    Platform::ThreadLocalSlot& m_slot;
    SequenceBlock<CommandNode, 10> m_nodes;  // storage of the queue's nodes
    CommandNode* m_head = nullptr;
    CommandNode* m_tail = nullptr;
    CommandNode* m_freeNodes = nullptr;
    Platform::Event m_wake{false};
    Platform::Event m_terminated{true};
    Platform::CriticalSection m_lock{2000};
    std::atomic<int> m_references{2};
};

}  // namespace ZUtils
