#include "platform/NumaNodes.h"

#include "platform/Kernel32_win32.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Platform {

namespace {

constexpr int kGroupSize = 64;

CpuSet processorsOf(int group, KAFFINITY mask) {
    CpuSet processors;
    for (int bit = 0; bit < kGroupSize; ++bit) {
        if ((mask >> bit) & 1u) processors.add(group * kGroupSize + bit);
    }
    return processors;
}

// The NUMA node records of the processor information, each with its group and mask. Used only
// where threads can also be moved into a group, which placement on such nodes needs.
bool nodesFromProcessorInformation(std::vector<NumaNode>& nodes) {
    if (kernel32().setThreadGroupAffinity == nullptr) return false;
    std::vector<unsigned char> buffer;
    std::vector<const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*> records;
    if (!logicalProcessorRecords(RelationNumaNode, buffer, records)) return false;
    for (const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX* record : records) {
        if (record->Relationship != RelationNumaNode) continue;
        NumaNode node;
        node.id = static_cast<int>(record->NumaNode.NodeNumber);
        node.processors = processorsOf(record->NumaNode.GroupMask.Group, record->NumaNode.GroupMask.Mask);
        nodes.push_back(node);
    }
    return !nodes.empty();
}

// The older queries, for the processors of group 0: one mask per node when there are several
// nodes. A failing node query leaves no nodes at all.
bool nodesFromNodeMasks(std::vector<NumaNode>& nodes) {
    const Kernel32Functions& k = kernel32();
    ULONG highest = 0;
    if (k.getNumaHighestNodeNumber == nullptr || k.getNumaNodeProcessorMask == nullptr ||
        !k.getNumaHighestNodeNumber(&highest) || highest == 0 || highest > 255)
        return false;
    for (ULONG id = 0; id <= highest; ++id) {
        ULONGLONG mask = 0;
        if (!k.getNumaNodeProcessorMask(static_cast<UCHAR>(id), &mask)) {
            nodes.clear();
            return false;
        }
        NumaNode node;
        node.id = static_cast<int>(id);
        node.processors = processorsOf(0, static_cast<KAFFINITY>(mask));
        nodes.push_back(node);
    }
    return true;
}

}  // namespace

bool readNumaNodes(std::vector<NumaNode>& nodes, const char* nodeRoot) {
    nodes.clear();
    if (nodeRoot == nullptr || std::strcmp(nodeRoot, kSystemNodeRoot) != 0) return false;
    try {
        if (!nodesFromProcessorInformation(nodes)) {
            nodes.clear();
            nodesFromNodeMasks(nodes);
        }
    } catch (const std::bad_alloc&) {
        nodes.clear();
    }
    std::sort(nodes.begin(), nodes.end(), [](const NumaNode& a, const NumaNode& b) { return a.id < b.id; });
    return !nodes.empty();
}

}  // namespace Platform
