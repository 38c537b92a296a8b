// The processor topology used to spread worker threads over NUMA nodes.
#pragma once

#include "platform/CpuSet.h"
#include "platform/NumaNodes.h"
#include "platform/Thread.h"
#include "utils/FmrArray.h"

#include <cstdint>
#include <vector>

namespace ZUtils {

// One node of the table: the processors of the node that the process may use, and the number of
// such processors over this node and all before it.
struct NumaNodeEntry {
    Platform::CpuSet processors;
    int cumulativeProcessors = 0;
};

class NumaTopology {
public:
    // With placement off the table stays empty and enumerate() does nothing.
    explicit NumaTopology(bool placementEnabled = true, const char* nodeRoot = Platform::kSystemNodeRoot);

    // Reads the node list once (later calls do nothing). A missing or unreadable node list leaves
    // the table empty, which means no placement.
    void enumerate();
    // Fills the table from a node list and the processors the process may use.
    void build(const std::vector<Platform::NumaNode>& nodes, const Platform::CpuSet& processProcessors);

    bool enumerated() const { return m_nodeRecords >= 0; }
    // Placement needs at least two nodes with processors.
    bool allowsPlacement() const { return m_nodesWithProcessors >= 2; }
    int nodeCount() const { return m_table.count(); }
    const NumaNodeEntry& node(int index) const { return m_table[index]; }
    int nodesWithProcessors() const { return m_nodesWithProcessors; }
    int totalProcessors() const { return m_totalProcessors; }

    // Restricts a thread to the processors of one node.
    bool placeThread(Platform::ThreadHandle thread, int nodeIndex) const;

private:
    bool m_placementEnabled;
    const char* m_nodeRoot;
    FMRUtils::FmrArray<NumaNodeEntry> m_table;
    int m_nodesWithProcessors = 0;
    int m_totalProcessors = 0;
    int m_nodeRecords = -1;  // -1 until enumerated
};

// Walks the nodes so that consecutive threads fill them in order, as many per node as it has
// processors, wrapping around after the last. Start a new cursor for each group of threads.
class NodeCursor {
public:
    // The node for the next thread, or -1 when no usable node has processors. `usable` holds one
    // byte per node (non-zero: the node may be used; nodes past `usableCount` may not); null means
    // every node may be used.
    int next(const NumaTopology& topology, const char* usable = nullptr, std::int64_t usableCount = 0);

private:
    int m_node = 0;
    int m_counter = 0;
};

}  // namespace ZUtils
