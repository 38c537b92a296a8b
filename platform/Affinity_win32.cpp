// Processors are numbered across processor groups: processor b of group g is g * 64 + b.
#include "platform/Affinity.h"

#include "platform/Kernel32_win32.h"
#include "platform/ThreadObject_win32.h"

#include <algorithm>
#include <cstddef>

namespace Platform {

namespace {

constexpr int kGroupSize = 64;
constexpr int kGroups = CpuSet::kMaxProcessors / kGroupSize;

void addGroupMask(CpuSet& processors, int group, KAFFINITY mask) {
    for (int bit = 0; bit < kGroupSize; ++bit) {
        if ((mask >> bit) & 1u) processors.add(group * kGroupSize + bit);
    }
}

KAFFINITY maskInGroup(const CpuSet& processors, int group) {
    KAFFINITY mask = 0;
    for (int bit = 0; bit < kGroupSize; ++bit) {
        if (processors.contains(group * kGroupSize + bit)) mask |= KAFFINITY(1) << bit;
    }
    return mask;
}

// The processor group a thread runs in; 0 on systems without groups.
int groupOf(HANDLE thread) {
    GROUP_AFFINITY affinity{};
    const auto query = kernel32().getThreadGroupAffinity;
    return query != nullptr && query(thread, &affinity) ? affinity.Group : 0;
}

// The active processors of every processor group.
bool allActiveProcessors(CpuSet& processors) {
    std::vector<unsigned char> buffer;
    std::vector<const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*> records;
    if (!logicalProcessorRecords(RelationGroup, buffer, records)) return false;
    CpuSet found;
    for (const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX* record : records) {
        if (record->Relationship != RelationGroup) continue;
        const GROUP_RELATIONSHIP& groups = record->Group;
        // The group table follows the record's fixed part; only what lies inside the record is read.
        const size_t tableOffset = offsetof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX, Group.GroupInfo);
        const size_t room = record->Size > tableOffset ? (record->Size - tableOffset) / sizeof(PROCESSOR_GROUP_INFO) : 0;
        const int count = static_cast<int>(std::min<size_t>({groups.ActiveGroupCount, room, size_t(kGroups)}));
        for (int g = 0; g < count; ++g) addGroupMask(found, g, groups.GroupInfo[g].ActiveProcessorMask);
    }
    if (found.empty()) return false;
    processors = found;
    return true;
}

}  // namespace

bool getProcessAffinity(CpuSet& processors) {
    DWORD_PTR processMask = 0;
    DWORD_PTR systemMask = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask)) return false;
    // A process that nobody restricted may place its threads in every processor group (and one
    // whose threads already run in several groups reports empty masks).
    if ((processMask == systemMask || processMask == 0) && allActiveProcessors(processors)) return true;
    if (processMask == 0) return false;
    CpuSet set;
    addGroupMask(set, groupOf(GetCurrentThread()), processMask);
    processors = set;
    return true;
}

bool getCurrentThreadAffinity(CpuSet& processors) {
    GROUP_AFFINITY affinity{};
    const auto query = kernel32().getThreadGroupAffinity;
    if (query == nullptr || !query(GetCurrentThread(), &affinity)) return getProcessAffinity(processors);
    CpuSet set;
    addGroupMask(set, affinity.Group, affinity.Mask);
    processors = set;
    return true;
}

bool setThreadAffinity(ThreadHandle thread, const CpuSet& processors) {
    if (thread == nullptr || processors.empty()) return false;
    // A thread runs in one group: its present group when the set has processors there, otherwise
    // the set's first group.
    int group = groupOf(thread->handle);
    if (maskInGroup(processors, group) == 0) {
        for (group = 0; group < kGroups && maskInGroup(processors, group) == 0; ++group) {
        }
    }
    const KAFFINITY mask = maskInGroup(processors, group);
    if (const auto setGroupAffinity = kernel32().setThreadGroupAffinity) {
        GROUP_AFFINITY affinity{};
        affinity.Mask = mask;
        affinity.Group = static_cast<WORD>(group);
        return setGroupAffinity(thread->handle, &affinity, nullptr) != 0;
    }
    return group == 0 && SetThreadAffinityMask(thread->handle, mask) != 0;
}

int processorCount() {
    CpuSet processors;
    if (getProcessAffinity(processors) && !processors.empty()) return processors.count();
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

}  // namespace Platform
