// The process-wide thread settings, read once from the environment when the program or library
// is loaded: ZENTO_NUM_THREADS (the default thread count) and ZENTO_USE_THREAD_AFFINITY (NUMA
// placement on or off).
#pragma once

namespace ZUtils {

// Whether NUMA placement is on for the given ZENTO_USE_THREAD_AFFINITY text (null: unset).
// Unset, or a text whose integer value is not 0, turns it on.
bool threadAffinityEnabledFrom(const char* useThreadAffinity);

// The default thread count for the given texts of ZENTO_NUM_THREADS and ZENTO_USE_THREAD_AFFINITY
// (null: unset) on a process that may use `processors` processors. A ZENTO_NUM_THREADS value of 1
// or more is the count; otherwise the processor count, limited to one processor group (64) when
// placement is off.
int defaultThreadCountFrom(const char* numThreads, const char* useThreadAffinity, int processors);

// The values computed at load time. The thread count can be replaced by a program's explicit
// choice (see overrideDefaultThreadCount).
int getDefaultThreadCount();
bool isThreadAffinityEnabled();

// Replaces the default thread count with a program's explicit choice (a command-line option);
// 0 or less returns to the count read from the environment.
void overrideDefaultThreadCount(int count);

}  // namespace ZUtils
