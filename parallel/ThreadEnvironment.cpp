#include "parallel/ThreadEnvironment.h"

#include "platform/Affinity.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace ZUtils {

namespace {

// One processor group holds at most this many processors; without placement the count stays
// within one group.
constexpr int kProcessorsPerGroup = 64;

struct ThreadSettings {
    int defaultThreadCount;
    bool affinityEnabled;
};

ThreadSettings readThreadSettings() {
    const char* numThreads = std::getenv("ZENTO_NUM_THREADS");
    const char* useAffinity = std::getenv("ZENTO_USE_THREAD_AFFINITY");
    return {defaultThreadCountFrom(numThreads, useAffinity, Platform::processorCount()),
            threadAffinityEnabledFrom(useAffinity)};
}

// Read on first use, which the initialiser below makes happen while the program or library loads;
// a static initialiser elsewhere that asks earlier still gets the right values.
const ThreadSettings& threadSettings() {
    static const ThreadSettings settings = readThreadSettings();
    return settings;
}

const ThreadSettings& g_settingsAtLoad = threadSettings();

std::atomic<int> g_threadCountOverride{0};

}  // namespace

bool threadAffinityEnabledFrom(const char* useThreadAffinity) {
    return useThreadAffinity == nullptr || std::atol(useThreadAffinity) != 0;
}

int defaultThreadCountFrom(const char* numThreads, const char* useThreadAffinity, int processors) {
    if (numThreads != nullptr) {
        errno = 0;
        const long requested = std::strtol(numThreads, nullptr, 10);
        if (errno == 0 && requested >= 1 && requested <= INT_MAX) return static_cast<int>(requested);
    }
    const int count = std::max(processors, 1);
    return threadAffinityEnabledFrom(useThreadAffinity) ? count : std::min(count, kProcessorsPerGroup);
}

int getDefaultThreadCount() {
    const int chosen = g_threadCountOverride.load();
    return chosen > 0 ? chosen : threadSettings().defaultThreadCount;
}

void overrideDefaultThreadCount(int count) { g_threadCountOverride.store(count > 0 ? count : 0); }

bool isThreadAffinityEnabled() { return threadSettings().affinityEnabled; }

}  // namespace ZUtils
