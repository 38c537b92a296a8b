// Processor affinity of the process and of single threads, and the process's processor count.
#pragma once

#include "platform/CpuSet.h"
#include "platform/Thread.h"

namespace Platform {

// The processors the process may run on. On Linux these are the ones of its initial thread,
// which is what a launcher such as taskset or a container restricts.
bool getProcessAffinity(CpuSet& processors);

// The processors the calling thread may run on.
bool getCurrentThreadAffinity(CpuSet& processors);

// Restricts a thread to the given processors; false when the set is empty or holds no processor
// the process may use.
bool setThreadAffinity(ThreadHandle thread, const CpuSet& processors);

// The number of processors the process may run on (its affinity): a process limited to 2 of 64
// processors counts 2. At least 1.
int processorCount();

}  // namespace Platform
