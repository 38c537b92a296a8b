// The NUMA nodes of the machine and their processors, from the system's node list.
#pragma once

#include "platform/CpuSet.h"

#include <vector>

namespace Platform {

// The system's node list on Linux.
constexpr const char* kSystemNodeRoot = "/sys/devices/system/node";

struct NumaNode {
    int id = 0;
    CpuSet processors;  // empty for a node with memory only
};

// Reads the nodes found under `nodeRoot` (directories "node<id>" with a "cpulist" file), in
// ascending id order. A node whose processor list cannot be read or parsed counts as a node
// without processors. False, with `nodes` empty, when there is no node list at all.
// On Windows only the system's own list exists (kSystemNodeRoot): the nodes and their processors
// (numbered group * 64 + bit) come from the NUMA queries of kernel32.dll.
bool readNumaNodes(std::vector<NumaNode>& nodes, const char* nodeRoot = kSystemNodeRoot);

}  // namespace Platform
