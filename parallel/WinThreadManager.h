// The built-in thread manager: a growing set of reusable worker threads, each fed through its own
// command queue, spread over NUMA nodes when the machine has several. (The name is historical; the
// class serves every platform.)
#pragma once

#include "parallel/NumaTopology.h"
#include "parallel/SequenceBlock.h"
#include "parallel/ThreadManager.h"
#include "parallel/WorkerThread.h"
#include "platform/CriticalSection.h"
#include "platform/ThreadLocal.h"

#include <atomic>

namespace ZUtils {

class WinThreadManager final : public ThreadManager {
public:
    // Placement as ZENTO_USE_THREAD_AFFINITY said at load, over the system's NUMA nodes.
    WinThreadManager();
    // Placement switched explicitly, over the nodes listed under `nodeRoot` (kept, not copied).
    WinThreadManager(bool placementEnabled, const char* nodeRoot);
    ~WinThreadManager();

    WinThreadManager(const WinThreadManager&) = delete;
    WinThreadManager& operator=(const WinThreadManager&) = delete;

    void terminateThreads(bool force) override;
    int run(int threadCount, MultiThreadProcedure* procedure, ProgressCallback* progress, bool reportProgress) override;
    void setLowPriority(int flag) override;
    int startThread(ThreadProcedure* procedure, int argument) override;
    void setStackSize(int bytes) override;
    int getThreadIndex() override;

    // The number of worker threads in the pool.
    int poolSize() const { return m_threads.count(); }

private:
    WorkerThread* takeThread(ProgressCallback* progress);
    WorkerThread* createThread(ProgressCallback* progress);
    CompletionRecord* takeCompletionRecord(int pending);
    bool dispatch(WorkerThread* worker, MultiThreadProcedure* procedure, CompletionRecord* completion,
                  int threadCount, int threadIndex, NodeCursor& cursor);
    void waitForCompletion(CompletionRecord& completion, MultiThreadProcedure* procedure,
                           ProgressCallback* progress, bool reportProgress, WorkerThread* const* workers,
                           int workerCount);
    void applyPriority(WorkerThread* worker) const;

    NumaTopology m_topology;
    SequenceBlock<WorkerThread*, 10> m_threads;
    SequenceBlock<CompletionRecord, 10> m_completions;
    Platform::CriticalSection m_lock{2000};
    std::atomic<int> m_lowPriority{0};
    std::atomic<int> m_stackSize{0};
    Platform::ThreadLocalSlot m_slot;
};

}  // namespace ZUtils
