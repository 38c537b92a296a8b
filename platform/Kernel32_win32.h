// Functions of kernel32.dll that not every Windows version has, looked up by name once: the NUMA
// and processor-group queries, group affinity, and thread descriptions. Each may be null.
#pragma once

#include <windows.h>

#include <vector>

namespace Platform {

struct Kernel32Functions {
    BOOL(WINAPI* getNumaHighestNodeNumber)(PULONG highestNode) = nullptr;
    BOOL(WINAPI* getNumaNodeProcessorMask)(UCHAR node, PULONGLONG processorMask) = nullptr;
    BOOL(WINAPI* getLogicalProcessorInformationEx)(LOGICAL_PROCESSOR_RELATIONSHIP relationship,
                                                   PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX buffer,
                                                   PDWORD length) = nullptr;
    BOOL(WINAPI* setThreadGroupAffinity)(HANDLE thread, const GROUP_AFFINITY* affinity,
                                         PGROUP_AFFINITY previous) = nullptr;
    BOOL(WINAPI* getThreadGroupAffinity)(HANDLE thread, PGROUP_AFFINITY affinity) = nullptr;
    HRESULT(WINAPI* setThreadDescription)(HANDLE thread, PCWSTR description) = nullptr;
};

// The functions as found in the loaded kernel32.dll.
const Kernel32Functions& kernel32();

// The records of one relationship from GetLogicalProcessorInformationEx, each a pointer into
// `buffer`; false (with no records) when the function is missing or the query fails. Records are
// walked by their own sizes, and one that claims more bytes than remain ends the walk.
bool logicalProcessorRecords(LOGICAL_PROCESSOR_RELATIONSHIP relationship, std::vector<unsigned char>& buffer,
                             std::vector<const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>& records);

}  // namespace Platform
