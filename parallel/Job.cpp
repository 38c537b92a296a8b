#include "parallel/FmrParallel.h"

#include "utils/Log.h"

namespace FMRUtils {

namespace {

// The time a job's thread gets to acknowledge its release before the delay is reported.
constexpr unsigned kExitTimeoutMs = 100;

}  // namespace

Job::Job() = default;

void Job::run(std::intptr_t argument) {
    if (owner != nullptr) owner->jobReportedIn(static_cast<int>(argument), Platform::duplicateCurrentThreadHandle());
    while (Platform::Event::waitEither(m_startEvent, m_exitEvent) == 0) {
        m_startEvent.reset();
        if (owner != nullptr) {
            if (owner->m_holder != nullptr) {
                owner->m_holder->process(this);
            } else {
                owner->processJob(this);
            }
        }
        m_doneEvent.set();
    }
    m_exitedEvent.set();
}

const char* Job::getName() { return owner != nullptr ? owner->getName() : "MTJobWithoutOwner"; }

Job::~Job() {
    // The chain is deleted one job after another rather than recursively, so that a long chain
    // cannot exhaust the stack.
    Job* successor = next;
    next = nullptr;
    while (successor != nullptr) {
        Job* following = successor->next;
        successor->next = nullptr;
        delete successor;
        successor = following;
    }
    if (!m_hasThread) return;
    m_exitEvent.set();
    if (!m_exitedEvent.wait(kExitTimeoutMs)) {
        // Only jobs of an owner get a thread; the owner named its jobs when it made them.
        logMessage("#job of %s did not exit properly\n", owner->m_name);
        // The thread still holds this job: it must be done with it before the memory goes.
        m_exitedEvent.wait();
    }
}

}  // namespace FMRUtils
