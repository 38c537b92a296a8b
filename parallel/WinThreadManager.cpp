#include "parallel/WinThreadManager.h"

#include "parallel/ThreadEnvironment.h"
#include "platform/Affinity.h"
#include "platform/MessagePump.h"
#include "utils/FmrArray.h"
#include "utils/Log.h"

namespace ZUtils {

namespace {

constexpr unsigned kWaitSliceMs = 200;
constexpr unsigned kTerminateTimeoutMs = 2000;

void storeResult(MultiThreadProcedure* procedure, int value) {
    __atomic_store_n(&procedure->resultWord, value, __ATOMIC_RELEASE);
}

int loadResult(MultiThreadProcedure* procedure) { return __atomic_load_n(&procedure->resultWord, __ATOMIC_ACQUIRE); }

// Waits up to kTerminateTimeoutMs for a worker to leave its loop, looking every millisecond; unless
// forcing, the calling thread's window messages are dispatched in between, so that a user interface
// waiting here stays alive.
bool waitForThreadEnd(WorkerThread& worker, bool force) {
    const std::uint64_t start = Platform::tickCountMs();
    for (;;) {
        if (worker.waitForTermination(1)) return true;
        if (Platform::tickCountMs() - start >= kTerminateTimeoutMs) return false;
        if (!force) Platform::dispatchPendingMessages();
    }
}

}  // namespace

WinThreadManager::WinThreadManager() : WinThreadManager(isThreadAffinityEnabled(), Platform::kSystemNodeRoot) {}

WinThreadManager::WinThreadManager(bool placementEnabled, const char* nodeRoot)
    : m_topology(placementEnabled, nodeRoot) {
    debugPrint("[WinThreadManager] Constructor.\n");
}

WinThreadManager::~WinThreadManager() {
    debugPrint("[WinThreadManager] Destructor.\n");
    terminateThreads(false);
}

void WinThreadManager::setLowPriority(int flag) { m_lowPriority.store(flag != 0 ? 1 : 0); }

void WinThreadManager::setStackSize(int bytes) { m_stackSize.store(bytes > 0 ? bytes : 0); }

int WinThreadManager::getThreadIndex() {
    const WorkerThread* worker = static_cast<const WorkerThread*>(m_slot.get());
    return worker != nullptr ? worker->threadIndex : -1;
}

void WinThreadManager::applyPriority(WorkerThread* worker) const {
    // Returning a lowered thread to normal can be refused on POSIX; it then stays lower.
    Platform::setThreadPriority(worker->handle, m_lowPriority.load() != 0 ? Platform::ThreadPriority::BelowNormal
                                                                         : Platform::ThreadPriority::Normal);
}

WorkerThread* WinThreadManager::takeThread(ProgressCallback* progress) {
    try {
        {
            Platform::ScopedLock lock(m_lock);
            WorkerThread** free = m_threads.find([](WorkerThread* worker) {
                int expected = WorkerThread::Free;
                return worker->state.compare_exchange_strong(expected, WorkerThread::Taken);
            });
            if (free != nullptr) return *free;
        }
        return createThread(progress);
    } catch (const ExceptionMsg& error) {
        debugPrint("%s\n", error.message());
        return nullptr;
    }
}

WorkerThread* WinThreadManager::createThread(ProgressCallback* progress) {
    WorkerThread* worker = WorkerThread::create(m_slot);
    if (worker == nullptr) return nullptr;
    {
        Platform::ScopedLock lock(m_lock);
        try {
            m_threads.append(worker);
        } catch (const ExceptionMsg&) {
            worker->release();  // the thread's reference
            worker->release();  // ours
            throw;
        }
    }
    if (!worker->start(static_cast<std::size_t>(m_stackSize.load()))) {
        // The record stays listed as terminated until terminateThreads forgets it.
        debugPrint("[WinThreadManager] Could not create a thread\n");
        return nullptr;
    }
    if (progress != nullptr && progress->isInteractive() != 0) {
        for (;;) {
            progress->processMessages();
            if (worker->state.load() != WorkerThread::BeingCreated) break;
            Platform::sleepMs(1);
        }
    }
    return worker;
}

int WinThreadManager::startThread(ThreadProcedure* procedure, int argument) {
    if (procedure == nullptr) return -1;
    WorkerThread* worker = takeThread(nullptr);
    if (worker == nullptr) return -1;
    worker->threadProcedure = procedure;
    worker->argument = argument;
    worker->procedure = nullptr;
    worker->resultWord = nullptr;
    worker->completion = nullptr;
    worker->progress = 0;
    worker->threadCount = 1;
    worker->threadIndex = 0;
    applyPriority(worker);
    // Undo the node placement of an earlier run.
    Platform::CpuSet processProcessors;
    if (Platform::getProcessAffinity(processProcessors)) Platform::setThreadAffinity(worker->handle, processProcessors);
    try {
        worker->post(WorkerThread::RunThreadProcedure);
    } catch (const ExceptionMsg& error) {
        debugPrint("%s\n", error.message());
        worker->state.store(WorkerThread::Free);
        return -1;
    }
    return 0;
}

CompletionRecord* WinThreadManager::takeCompletionRecord(int pending) {
    CompletionRecord* record = m_completions.find([](CompletionRecord& candidate) { return candidate.inUse == 0; });
    if (record == nullptr) record = &m_completions.appendNew();
    record->inUse = 1;
    record->pending.store(pending);
    record->done.reset();
    return record;
}

bool WinThreadManager::dispatch(WorkerThread* worker, MultiThreadProcedure* procedure, CompletionRecord* completion,
                                int threadCount, int threadIndex, NodeCursor& cursor) {
    worker->procedure = procedure;
    worker->resultWord = &procedure->resultWord;
    worker->progress = 0;
    worker->completion = completion;
    worker->threadCount = threadCount;
    worker->threadIndex = threadIndex;
    worker->threadProcedure = nullptr;
    applyPriority(worker);
    if (m_topology.allowsPlacement()) {
        const int node = cursor.next(m_topology);
        if (node >= 0) m_topology.placeThread(worker->handle, node);
    }
    try {
        worker->post(WorkerThread::RunProcedure);
    } catch (const ExceptionMsg& error) {
        debugPrint("%s\n", error.message());
        worker->state.store(WorkerThread::Free);
        return false;
    }
    return true;
}

int WinThreadManager::run(int threadCount, MultiThreadProcedure* procedure, ProgressCallback* progress,
                          bool reportProgress) {
    if (procedure == nullptr) return 0;
    const int number = threadCount > 0 ? threadCount : getDefaultThreadCount();
    storeResult(procedure, 0);
    procedure->progressBase = 0;
    if (progress != nullptr) {
        progress->info(0, 30000, "Setting up %i thread(s)\n", number);
        progress->onSetUp();
    }
    CompletionRecord* completion = nullptr;
    try {
        Platform::ScopedLock lock(m_lock);
        m_topology.enumerate();
        completion = takeCompletionRecord(number);
    } catch (const ExceptionMsg& error) {
        debugPrint("%s\n", error.message());
        return -1;
    }

    // The workers of this call, for adding up their progress.
    FMRUtils::FmrArray<WorkerThread*> workers;
    const bool collectWorkers = progress != nullptr && reportProgress;
    NodeCursor cursor;
    for (int i = 0; i < number; ++i) {
        WorkerThread* worker = takeThread(progress);
        if (worker == nullptr || !dispatch(worker, procedure, completion, number, i, cursor)) {
            // The remaining indices cannot run: stop the dispatched threads early and count the
            // missing ones as done.
            debugPrint("[WinThreadManager] Could not start thread %i\n", i);
            int expected = 0;
            __atomic_compare_exchange_n(&procedure->resultWord, &expected, -1, false, __ATOMIC_ACQ_REL,
                                        __ATOMIC_ACQUIRE);
            if (completion->pending.fetch_sub(number - i) == number - i) completion->done.set();
            break;
        }
        if (collectWorkers) workers.Append(worker);
    }

    waitForCompletion(*completion, procedure, progress, reportProgress, workers.data(), workers.count());
    {
        Platform::ScopedLock lock(m_lock);
        completion->inUse = 0;
    }
    if (progress != nullptr) {
        progress->onDone();
        progress->info(0, 30000, "Threads completed\n");
        if (progress->isInteractive() != 0) progress->processMessages();
    }
    return loadResult(procedure);
}

void WinThreadManager::waitForCompletion(CompletionRecord& completion, MultiThreadProcedure* procedure,
                                         ProgressCallback* progress, bool reportProgress,
                                         WorkerThread* const* workers, int workerCount) {
    for (;;) {
        // An interactive caller's thread also wakes for window messages, which its
        // processMessages() call below then handles.
        const bool interactive = progress != nullptr && progress->isInteractive() != 0;
        const bool signalled = interactive ? completion.done.waitOrMessage(kWaitSliceMs) : completion.done.wait(kWaitSliceMs);
        // Judged before reporting, so that the last report includes every thread's progress.
        bool finished = completion.pending.load() < 1;
        if (signalled && !finished) {
            // Set late by the last thread of an earlier run that used this record. Looking again
            // after the reset catches a last thread of ours that finished in between.
            completion.done.reset();
            finished = completion.pending.load() < 1;
        }
        if (progress != nullptr) {
            if (progress->isInteractive() != 0) progress->processMessages();
            if (reportProgress) {
                int done = procedure->progressBase;
                for (int i = 0; i < workerCount; ++i) done += __atomic_load_n(&workers[i]->progress, __ATOMIC_RELAXED);
                progress->setProgress(done);
            }
            if (const int abort = progress->getAbort()) storeResult(procedure, abort);
        }
        if (finished) return;
    }
}

void WinThreadManager::terminateThreads(bool force) {
    debugPrint("[WinThreadManager] Terminating %i threads\n", m_threads.count());
    bool leftRunning = false;
    m_threads.forEach([&](WorkerThread* worker) {
        bool stopped = worker->state.load() == WorkerThread::Terminated;
        if (!stopped) {
            try {
                worker->post(WorkerThread::Terminate);
            } catch (const ExceptionMsg& error) {
                debugPrint("%s\n", error.message());
            }
            debugPrint("[WinThreadManager] Waiting for thread %lu to terminate\n", Platform::threadId(worker->handle));
            stopped = waitForThreadEnd(*worker, force);
        }
        if (!stopped) {
            debugPrint("[WinThreadManager] Thread did not terminate for the timeout interval\n");
            // Where a thread cannot be killed (POSIX) it is left running, even when forced, and
            // frees its record when it finishes.
            if (force && Platform::killThread(worker->handle)) {
                Platform::joinThread(worker->handle);
                worker->handle = nullptr;
                // A thread killed before it reported its end never drops its own reference.
                if (!worker->waitForTermination(0)) worker->release();
                worker->state.store(WorkerThread::Terminated);
            } else {
                if (force) debugPrint("[WinThreadManager] The thread is left running\n");
                leftRunning = true;
            }
        }
        if (stopped) {
            Platform::joinThread(worker->handle);
            worker->handle = nullptr;
        }
        worker->release();
    });
    m_threads.clear();
    if (leftRunning) {
        // A thread still running may yet report to its completion record.
        m_completions.abandon();
    } else {
        m_completions.clear();
    }
    debugPrint("[WinThreadManager] All threads terminated\n");
}

}  // namespace ZUtils
