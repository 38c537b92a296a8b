#include "parallel/NumaTopology.h"

#include "platform/Affinity.h"

namespace ZUtils {

NumaTopology::NumaTopology(bool placementEnabled, const char* nodeRoot)
    : m_placementEnabled(placementEnabled), m_nodeRoot(nodeRoot) {}

void NumaTopology::enumerate() {
    if (enumerated()) return;
    m_nodeRecords = 0;
    if (!m_placementEnabled) return;
    std::vector<Platform::NumaNode> nodes;
    Platform::CpuSet processProcessors;
    if (!Platform::readNumaNodes(nodes, m_nodeRoot) || !Platform::getProcessAffinity(processProcessors)) return;
    build(nodes, processProcessors);
}

void NumaTopology::build(const std::vector<Platform::NumaNode>& nodes, const Platform::CpuSet& processProcessors) {
    m_table.SetSize(0);
    m_nodesWithProcessors = 0;
    m_totalProcessors = 0;
    m_nodeRecords = static_cast<int>(nodes.size());
    for (const Platform::NumaNode& node : nodes) {
        NumaNodeEntry entry;
        entry.processors = node.processors.intersection(processProcessors);
        const int processors = entry.processors.count();
        entry.cumulativeProcessors = m_totalProcessors + processors;
        if (!m_table.Append(entry)) {
            // Without the whole table there is no placement.
            m_table.SetSize(0);
            m_nodesWithProcessors = 0;
            m_totalProcessors = 0;
            return;
        }
        m_totalProcessors += processors;
        if (processors > 0) ++m_nodesWithProcessors;
    }
}

bool NumaTopology::placeThread(Platform::ThreadHandle thread, int nodeIndex) const {
    if (nodeIndex < 0 || nodeIndex >= m_table.count()) return false;
    return Platform::setThreadAffinity(thread, m_table[nodeIndex].processors);
}

int NodeCursor::next(const NumaTopology& topology, const char* usable, std::int64_t usableCount) {
    const int nodes = topology.nodeCount();
    const int total = topology.totalProcessors();
    if (nodes == 0 || total <= 0) return -1;
    auto isUsable = [&](int node) { return usable == nullptr || (node < usableCount && usable[node] != 0); };
    // Every node is visited at most twice before a usable node with processors is found; a walk
    // that takes longer means there is none.
    int chosen = -1;
    for (int step = 0; step <= 2 * nodes + 1 && chosen < 0; ++step) {
        if (m_node >= nodes) {
            m_node = 0;
            m_counter = 0;
        }
        const NumaNodeEntry& entry = topology.node(m_node);
        if (isUsable(m_node)) {
            if (m_counter < entry.cumulativeProcessors) {
                chosen = m_node;
            } else {
                ++m_node;
            }
        } else if (m_node == nodes - 1) {
            m_node = 0;
            m_counter = 0;
        } else {
            m_counter += entry.processors.count();
            ++m_node;
        }
    }
    if (chosen < 0) return -1;
    if (++m_counter >= total) {
        m_counter = 0;
        m_node = 0;
    }
    return chosen;
}

}  // namespace ZUtils
