#include "platform/ProcessMemory.h"

#include <windows.h>
#include <psapi.h>

namespace Platform {

bool workingSetBytes(long long& bytes) {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return false;
    bytes = static_cast<long long>(counters.WorkingSetSize);
    return true;
}

}  // namespace Platform

namespace Platform {

bool availablePhysicalBytes(long long& bytes) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return false;
    bytes = static_cast<long long>(status.ullAvailPhys);
    return true;
}

}  // namespace Platform
