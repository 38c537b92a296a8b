// The parallel loop runner behind every multi-threaded computation of the loader, and the
// process-wide registry of thread managers it takes its threads from.
//
// A runner derived from FmrParallel says in processJob what to do with one job's slice of an index
// range [0, total). The base owns one Job per thread, binds each job to a pooled thread of a
// ZUtils::ThreadManager for the runner's lifetime, divides the range, wakes the jobs and waits.
// Without a thread manager the runner has one job and works on the calling thread.
//
// Typical use:
//     MTMyLoop loop;             // derived from FmrParallel, overrides processJob and getName
//     loop.setupThreads();       // -1: the default thread count
//     loop.prepare(total);
//     loop.run(0);               // processJob(job) for every job, in parallel; waits for all
#pragma once

#include "parallel/NumaTopology.h"
#include "parallel/ThreadManager.h"
#include "platform/Event.h"
#include "platform/Thread.h"
#include "utils/FmrArray.h"

#include <atomic>
#include <cstdint>
#include <new>

namespace FMRUtils {

class FmrParallel;

// One runner's share of the work, executed on its own pooled thread (or on the calling thread
// when the runner has no thread manager).
class Job : public ZUtils::ThreadProcedure {
public:
    Job();
    // The thread procedure: reports in to the owner, then processes the job each time the owner
    // starts it, until the owner lets it go. `argument` is the job index.
    void run(std::intptr_t argument) override;
    // The owner's name, or "MTJobWithoutOwner".
    const char* getName() override;
    // Also deletes the jobs chained after this one, and releases the pooled thread.
    virtual ~Job();

    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    std::int64_t sliceStart = 0;
    std::int64_t sliceLength = 1;
    std::int64_t sliceEnd = 0;  // exclusive
    int mode = 0;               // the argument of the current FmrParallel::run
    int jobIndex = 0;
    FmrParallel* owner = nullptr;
    Job* next = nullptr;  // owned

private:
    friend class FmrParallel;
    bool m_hasThread = false;  // a pooled thread runs this job's procedure
    Platform::Event m_startEvent{true};
    Platform::Event m_doneEvent{false};
    Platform::Event m_exitEvent{false};
    Platform::Event m_exitedEvent{false};
};

// A job procedure that is not a virtual operation of the runner.
class TMTJobProcHolderInterface {
public:
    virtual ~TMTJobProcHolderInterface() = default;
    virtual void process(Job* job) = 0;
};

// Calls function(target, job) for each job.
template <class T>
class TMTJobProcHolder : public TMTJobProcHolderInterface {
public:
    using Function = void (*)(T* target, Job* job);
    TMTJobProcHolder(T* target, Function function) : m_target(target), m_function(function) {}
    void process(Job* job) override { m_function(m_target, job); }

private:
    T* m_target;
    Function m_function;
};

class FmrParallel {
public:
    // Without a thread manager the runner takes the current one of the registry when it first
    // needs one.
    explicit FmrParallel(ZUtils::ThreadManager* threadManager = nullptr);
    virtual ~FmrParallel();

    FmrParallel(const FmrParallel&) = delete;
    FmrParallel& operator=(const FmrParallel&) = delete;

    // Processes the job's slice; called concurrently for different jobs. The base does nothing.
    // The result is not used by the runner.
    virtual int processJob(Job* job);
    virtual const char* getName();
    // True after requestAbort() in the current run, or when the run's progress object asks to stop.
    virtual bool isAborted();
    virtual Job* createJob();
    // No runner uses this operation; it keeps the slot of getNumThreads.
    virtual void reservedHook();
    // The default thread count.
    virtual int getNumThreads();

    // Binds jobs to threads: `threads` jobs (-1: getNumThreads()), each on a pooled thread of the
    // thread manager, or one job on the calling thread when there is no manager. Existing jobs are
    // kept when their number is unchanged. With a topology of two or more nodes with processors,
    // the jobs' threads are spread over the nodes whose byte in `nodeMask` is non-zero (all nodes
    // when no byte is). When the threads cannot be provided the runner works single-threaded.
    // jobCount() is 0 afterwards only when not even one job could be allocated.
    void setupThreads(int threads = -1, const ZUtils::NumaTopology* topology = nullptr,
                      const FmrArray<char, std::int64_t>* nodeMask = nullptr);
    // Creates the jobs if there are none yet and divides [0, total) into contiguous slices, one
    // per job in order, that differ in length by at most one.
    void prepare(std::int64_t total);
    // Runs processJob on every job with the given mode and waits for all of them. Drops the job
    // procedure holder. `progress` may be null.
    void run(int mode, ProgressCallback* progress = nullptr);
    // Runs the job procedure holder on every job (processJob when there is none on a threaded
    // runner) and waits for all of them.
    void runWithHolder(ProgressCallback* progress = nullptr);

    // Takes ownership of a job procedure holder, deleting the previous one.
    void setJobProcHolder(TMTJobProcHolderInterface* holder);
    // Stores a holder that calls function(target, job); false when it cannot be allocated.
    template <class T>
    bool setJobProc(T* target, typename TMTJobProcHolder<T>::Function function) {
        auto* holder = new (std::nothrow) TMTJobProcHolder<T>(target, function);
        if (holder == nullptr) return false;
        setJobProcHolder(holder);
        return true;
    }

    // Asks every job of the current run to stop early (see isAborted).
    void requestAbort() { m_abort.store(1); }
    // Adds finished work to the progress reported during a run.
    void addProgress(int done) { m_progress.fetch_add(done); }
    int progress() const { return m_progress.load(); }

    int jobCount() const { return m_jobCount; }
    // The first job of the chain (in job index order), or null.
    Job* firstJob() const { return m_jobs; }
    ZUtils::ThreadManager* threadManager() const { return m_threadManager; }
    // True when the jobs run on pooled threads.
    bool isThreaded() const { return m_threaded; }

private:
    friend class Job;

    int chooseThreadCount(int requested, bool fromSetup);
    void bindJobs(int count);
    bool createJobs(int count, bool threaded);
    void deleteJobs();
    void closeThreadHandles();
    void placeThreads(const ZUtils::NumaTopology& topology, const FmrArray<char, std::int64_t>& nodeMask);
    void startAndWait(bool setMode, int mode, bool withHolder, ProgressCallback* progress);
    void jobReportedIn(int index, Platform::ThreadHandle thread);

    std::atomic<int> m_progress{0};
    int m_jobCount = 0;
    TMTJobProcHolderInterface* m_holder = nullptr;
    ProgressCallback* m_progressObject = nullptr;
    std::atomic<int> m_abort{0};
    const char* m_name = nullptr;
    Job* m_jobs = nullptr;
    FmrArray<Platform::ThreadHandle> m_threadHandles;
    ZUtils::ThreadManager* m_threadManager;
    bool m_threaded = false;
    std::atomic<int> m_startedJobs{0};
    Platform::Event m_allStarted{false};
};

// The registry of thread managers: initialisation pushes the host's manager, finalisation pops it,
// and runners take the last one pushed. Pushing null is allowed; a runner then has no manager.
bool pushThreadManager(ZUtils::ThreadManager* manager);
// Removes the last manager; does nothing when the registry is empty.
void popThreadManager();
// The last manager pushed, or null.
ZUtils::ThreadManager* currentThreadManager();

}  // namespace FMRUtils
