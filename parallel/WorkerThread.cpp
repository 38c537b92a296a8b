#include "parallel/WorkerThread.h"

#include "utils/Log.h"

#include <new>

namespace ZUtils {

WorkerThread* WorkerThread::create(Platform::ThreadLocalSlot& slot) { return new (std::nothrow) WorkerThread(slot); }

WorkerThread::~WorkerThread() { Platform::closeThreadHandle(handle); }

bool WorkerThread::start(std::size_t stackSize) {
    handle = Platform::startThread(&WorkerThread::threadMain, this, stackSize);
    if (handle != nullptr) return true;
    state.store(Terminated);
    m_terminated.set();
    release();
    return false;
}

void WorkerThread::post(int command) {
    {
        Platform::ScopedLock lock(m_lock);
        CommandNode* node = m_freeNodes;
        if (node != nullptr) {
            m_freeNodes = node->next;
        } else {
            node = &m_nodes.appendNew();
        }
        node->code = command;
        node->next = nullptr;
        (m_tail != nullptr ? m_tail->next : m_head) = node;
        m_tail = node;
    }
    m_wake.set();
}

void WorkerThread::release() {
    if (m_references.fetch_sub(1) == 1) delete this;
}

void WorkerThread::threadMain(void* record) { static_cast<WorkerThread*>(record)->loop(); }

int WorkerThread::nextCommand() {
    for (;;) {
        m_lock.enter();
        if (CommandNode* node = m_head) {
            m_head = node->next;
            if (m_head == nullptr) m_tail = nullptr;
            node->next = m_freeNodes;
            m_freeNodes = node;
            const int code = node->code;
            m_lock.leave();
            return code;
        }
        // post() sets the event after queueing, so a command that arrives from here on wakes us.
        m_wake.reset();
        m_lock.leave();
        m_wake.wait();
    }
}

void WorkerThread::runProcedure() {
    state.store(Running);
    if (__atomic_load_n(resultWord, __ATOMIC_ACQUIRE) == 0) {
        if (const char* name = procedure->getName()) Platform::setCurrentThreadName(name);
        procedure->run(resultWord, &progress, threadIndex, threadCount);
    }
    // Free before reporting completion, so that the caller's next run finds this thread free.
    CompletionRecord* record = completion;
    state.store(Free);
    if (record->pending.fetch_sub(1) == 1) record->done.set();
}

void WorkerThread::runThreadProcedure() {
    state.store(Running);
    if (const char* name = threadProcedure->getName()) Platform::setCurrentThreadName(name);
    threadProcedure->run(argument);
    state.store(Free);
}

void WorkerThread::loop() {
    m_slot.set(this);
    state.store(Taken);
    for (;;) {
        const int command = nextCommand();
        if (command == RunProcedure) {
            runProcedure();
        } else if (command == RunThreadProcedure) {
            runThreadProcedure();
        } else if (command == Terminate) {
            debugPrint("[WinThreadManager] Terminating thread %i\n", threadIndex);
            break;
        }
    }
    state.store(Terminated);
    debugPrint("[WinThreadManager] Thread is terminating\n");
    m_terminated.set();
    release();
}

}  // namespace ZUtils
