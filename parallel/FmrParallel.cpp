#include "parallel/FmrParallel.h"

#include "parallel/ThreadEnvironment.h"
#include "utils/Log.h"

namespace FMRUtils {

namespace {

constexpr unsigned kDoneSliceMs = 10;

}  // namespace

FmrParallel::FmrParallel(ZUtils::ThreadManager* threadManager) : m_threadManager(threadManager) {}

FmrParallel::~FmrParallel() {
    closeThreadHandles();
    deleteJobs();
    m_threadManager = nullptr;
    delete m_holder;
}

int FmrParallel::processJob(Job*) { return 0; }

const char* FmrParallel::getName() { return "FmrParallel"; }

bool FmrParallel::isAborted() {
    return m_abort.load() != 0 || (m_progressObject != nullptr && m_progressObject->getAbort() != 0);
}

Job* FmrParallel::createJob() { return new (std::nothrow) Job; }

void FmrParallel::reservedHook() {}

int FmrParallel::getNumThreads() { return ZUtils::getDefaultThreadCount(); }

void FmrParallel::setJobProcHolder(TMTJobProcHolderInterface* holder) {
    if (holder == m_holder) return;
    delete m_holder;
    m_holder = holder;
}

int FmrParallel::chooseThreadCount(int requested, bool fromSetup) {
    if (m_threadManager == nullptr) m_threadManager = currentThreadManager();
    if (m_threadManager == nullptr) {
        debugPrint("Using FmrParallel without a thread manager. The code will run in single threaded mode\n");
        debugPrint("Please check the %s implementation.\n", getName());
        if (fromSetup && requested != -1) {
            debugPrint(
                "Using FmrParallel without threadManager with 'threads' != -1!When the thread manager is missing "
                "'threads' value is FORCED to 1.This may BREAK YOUR code!\n");
        }
        return 1;
    }
    const int count = requested == -1 ? getNumThreads() : requested;
    // A runner without jobs would silently do nothing.
    return count >= 1 ? count : 1;
}

void FmrParallel::setupThreads(int threads, const ZUtils::NumaTopology* topology,
                               const FmrArray<char, std::int64_t>* nodeMask) {
    const int count = chooseThreadCount(threads, true);
    if (m_jobs == nullptr || m_jobCount != count) bindJobs(count);
    if (topology != nullptr && nodeMask != nullptr && m_threaded && topology->allowsPlacement()) {
        placeThreads(*topology, *nodeMask);
    }
    m_startedJobs.store(0);
    m_allStarted.reset();
}

void FmrParallel::prepare(std::int64_t total) {
    if (m_jobs == nullptr) {
        bindJobs(chooseThreadCount(getNumThreads(), false));
        m_startedJobs.store(0);
        m_allStarted.reset();
    }
    if (total < 0) total = 0;
    const __int128 n = m_jobCount > 0 ? m_jobCount : 1;
    std::int64_t k = 0;
    for (Job* job = m_jobs; job != nullptr; job = job->next, ++k) {
        // 128-bit products, so that k * total cannot overflow.
        job->sliceStart = static_cast<std::int64_t>(k * static_cast<__int128>(total) / n);
        job->sliceEnd = job->next == nullptr ? total : static_cast<std::int64_t>((k + 1) * static_cast<__int128>(total) / n);
        job->sliceLength = job->sliceEnd - job->sliceStart;
    }
}

void FmrParallel::bindJobs(int count) {
    deleteJobs();
    m_name = getName();
    if (m_threadManager != nullptr) m_threadManager->setLowPriority(1);
    closeThreadHandles();
    bool threaded = m_threadManager != nullptr;
    if (threaded) {
        // Each job's thread stores its handle in its own slot, so all slots must exist first.
        Platform::ThreadHandle none = nullptr;
        threaded = m_threadHandles.SetSize(count, &none);
    } else {
        m_threadHandles.SetSize(0);
    }
    if (threaded && createJobs(count, true)) return;
    if (threaded) {
        debugPrint("FmrParallel could not start its threads. The code will run in single threaded mode\n");
        deleteJobs();
        closeThreadHandles();
        m_threadHandles.SetSize(0);
    }
    createJobs(1, false);
}

bool FmrParallel::createJobs(int count, bool threaded) {
    m_threaded = threaded;
    m_jobCount = count;
    m_startedJobs.store(0);
    m_allStarted.reset();
    Job** link = &m_jobs;
    int created = 0;
    bool complete = true;
    while (complete && created < count) {
        Job* job = createJob();
        if (job == nullptr) {
            complete = false;
            break;
        }
        job->owner = this;
        job->jobIndex = created;
        *link = job;
        link = &job->next;
        ++created;
        if (threaded) {
            complete = m_threadManager->startThread(job, job->jobIndex) == 0;
            job->m_hasThread = complete;
        }
    }
    if (!complete) {
        // Threaded jobs are deleted by the caller, which waits for their threads first; only then
        // may the count change.
        if (!threaded) m_jobCount = created;
        return false;
    }
    // Every job's thread reports in, with its handle stored, before the jobs are used.
    if (threaded) m_allStarted.wait();
    return true;
}

void FmrParallel::jobReportedIn(int index, Platform::ThreadHandle thread) {
    if (index >= 0 && index < m_threadHandles.count()) {
        m_threadHandles[index] = thread;
    } else {
        Platform::closeThreadHandle(thread);
    }
    if (m_startedJobs.fetch_add(1) + 1 == m_jobCount) m_allStarted.set();
}

void FmrParallel::placeThreads(const ZUtils::NumaTopology& topology, const FmrArray<char, std::int64_t>& nodeMask) {
    // A mask without any usable node means that every node may be used.
    bool anyUsable = false;
    for (std::int64_t i = 0; i < nodeMask.count() && i < topology.nodeCount(); ++i) anyUsable = anyUsable || nodeMask[i] != 0;
    const char* usable = anyUsable ? nodeMask.data() : nullptr;
    ZUtils::NodeCursor cursor;
    for (int i = 0; i < m_jobCount && i < m_threadHandles.count(); ++i) {
        const int node = cursor.next(topology, usable, nodeMask.count());
        if (node < 0) return;
        topology.placeThread(m_threadHandles[i], node);
    }
}

void FmrParallel::deleteJobs() {
    delete m_jobs;  // deletes the whole chain
    m_jobs = nullptr;
    m_jobCount = 0;
}

void FmrParallel::closeThreadHandles() {
    for (int i = 0; i < m_threadHandles.count(); ++i) {
        Platform::closeThreadHandle(m_threadHandles[i]);
        m_threadHandles[i] = nullptr;
    }
}

void FmrParallel::run(int mode, ProgressCallback* progress) {
    setJobProcHolder(nullptr);
    startAndWait(true, mode, false, progress);
}

void FmrParallel::runWithHolder(ProgressCallback* progress) { startAndWait(false, 0, true, progress); }

void FmrParallel::startAndWait(bool setMode, int mode, bool withHolder, ProgressCallback* progress) {
    m_progressObject = progress;
    m_progress.store(0);
    m_abort.store(0);
    for (Job* job = m_jobs; job != nullptr; job = job->next) {
        if (setMode) job->mode = mode;
        if (m_threaded) {
            job->m_doneEvent.reset();
            job->m_startEvent.set();
        } else if (!withHolder) {
            processJob(job);
        } else if (m_holder != nullptr) {
            m_holder->process(job);
        }
    }
    if (m_threaded) {
        for (Job* job = m_jobs; job != nullptr; job = job->next) {
            while (!job->m_doneEvent.wait(kDoneSliceMs)) {
                if (progress != nullptr) {
                    progress->setProgress(m_progress.load());
                    progress->processMessages();
                }
            }
        }
    }
    // The progress object belongs to this run only.
    m_progressObject = nullptr;
}

}  // namespace FMRUtils
