#include "platform/Affinity.h"

#include <sched.h>
#include <unistd.h>

namespace Platform {

namespace {

static_assert(CpuSet::kMaxProcessors <= CPU_SETSIZE, "a processor set fits the system's set");

CpuSet fromSystem(const cpu_set_t& system) {
    CpuSet set;
    for (int p = 0; p < CpuSet::kMaxProcessors; ++p) {
        if (CPU_ISSET(p, &system)) set.add(p);
    }
    return set;
}

cpu_set_t toSystem(const CpuSet& set) {
    cpu_set_t system;
    CPU_ZERO(&system);
    for (int p = 0; p < CpuSet::kMaxProcessors; ++p) {
        if (set.contains(p)) CPU_SET(p, &system);
    }
    return system;
}

bool affinityOf(pid_t tid, CpuSet& processors) {
    cpu_set_t system;
    CPU_ZERO(&system);
    if (sched_getaffinity(tid, sizeof system, &system) != 0) return false;
    processors = fromSystem(system);
    return true;
}

}  // namespace

bool getProcessAffinity(CpuSet& processors) { return affinityOf(getpid(), processors); }

bool getCurrentThreadAffinity(CpuSet& processors) { return affinityOf(gettid(), processors); }

bool setThreadAffinity(ThreadHandle thread, const CpuSet& processors) {
    if (thread == nullptr || processors.empty()) return false;
    const cpu_set_t system = toSystem(processors);
    return sched_setaffinity(static_cast<pid_t>(threadId(thread)), sizeof system, &system) == 0;
}

int processorCount() {
    CpuSet processors;
    if (getProcessAffinity(processors) && !processors.empty()) return processors.count();
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

}  // namespace Platform
