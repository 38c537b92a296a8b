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

namespace Platform {

// The kernel's own estimate, MemAvailable of /proc/meminfo, in kB.
bool availablePhysicalBytes(long long& bytes) {
    std::FILE* meminfo = std::fopen("/proc/meminfo", "r");
    if (meminfo == nullptr) return false;
    char line[256];
    long long kilobytes = -1;
    while (kilobytes < 0 && std::fgets(line, sizeof line, meminfo))
        if (std::sscanf(line, "MemAvailable: %lld kB", &kilobytes) != 1) kilobytes = -1;
    std::fclose(meminfo);
    if (kilobytes < 0) return false;
    bytes = kilobytes * 1024;
    return true;
}

}  // namespace Platform
