#include "platform/ProcessMemory.h"

#include <unistd.h>

#include <cstdio>

namespace Platform {

// From the kernel's per-process memory counters: the second field counts resident pages.
bool workingSetBytes(long long& bytes) {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return false;
    long long totalPages = 0;
    long long residentPages = 0;
    const bool read = std::fscanf(statm, "%lld %lld", &totalPages, &residentPages) == 2;
    std::fclose(statm);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (!read || residentPages < 0 || pageSize <= 0) return false;
    bytes = residentPages * pageSize;
    return true;
}

}  // namespace Platform
