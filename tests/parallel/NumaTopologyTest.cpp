#include "parallel/NumaTopology.h"
#include "platform/Affinity.h"

#include "tests/platform/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <vector>

using Platform::CpuSet;
using Platform::NumaNode;
using ZUtils::NodeCursor;
using ZUtils::NumaTopology;

namespace {

CpuSet range(int first, int last) {
    CpuSet set;
    for (int p = first; p <= last; ++p) set.add(p);
    return set;
}

NumaNode node(int id, const CpuSet& processors) {
    NumaNode n;
    n.id = id;
    n.processors = processors;
    return n;
}

// The nodes chosen for `threads` consecutive threads.
std::vector<int> placements(const NumaTopology& topology, int threads, const char* usable = nullptr, int usableCount = 0) {
    NodeCursor cursor;
    std::vector<int> nodes;
    for (int i = 0; i < threads; ++i) nodes.push_back(cursor.next(topology, usable, usableCount));
    return nodes;
}

std::vector<int> repeated(std::initializer_list<std::pair<int, int>> runs) {
    std::vector<int> list;
    for (const auto& run : runs) list.insert(list.end(), run.second, run.first);
    return list;
}

}  // namespace

TEST(NumaTopology, TableHoldsRunningProcessorCounts) {
    NumaTopology topology;
    topology.build({node(0, range(0, 7)), node(1, range(8, 15))}, range(0, 15));
    ASSERT_EQ(topology.nodeCount(), 2);
    EXPECT_EQ(topology.node(0).cumulativeProcessors, 8);
    EXPECT_EQ(topology.node(1).cumulativeProcessors, 16);
    EXPECT_EQ(topology.nodesWithProcessors(), 2);
    EXPECT_EQ(topology.totalProcessors(), 16);
    EXPECT_TRUE(topology.allowsPlacement());
}

TEST(NumaTopology, OnlyProcessorsOfTheProcessCount) {
    CpuSet process;
    process.add(0);
    process.add(1);
    process.add(4);
    NumaTopology topology;
    topology.build({node(0, range(0, 3)), node(1, range(4, 7)), node(2, range(8, 9)), node(3, CpuSet())}, process);
    ASSERT_EQ(topology.nodeCount(), 4);
    EXPECT_EQ(topology.node(0).processors, range(0, 1));
    EXPECT_EQ(topology.node(1).cumulativeProcessors, 3);
    EXPECT_EQ(topology.node(2).cumulativeProcessors, 3);
    EXPECT_EQ(topology.nodesWithProcessors(), 2);
    EXPECT_EQ(topology.totalProcessors(), 3);
}

TEST(NumaTopology, OneNodeWithProcessorsAllowsNoPlacement) {
    NumaTopology topology;
    topology.build({node(0, range(0, 3)), node(1, CpuSet())}, range(0, 3));
    EXPECT_FALSE(topology.allowsPlacement());
}

TEST(NodeCursor, ThreadsFillNodesInOrderAndWrapAround) {
    NumaTopology topology;
    topology.build({node(0, range(0, 7)), node(1, range(8, 15))}, range(0, 15));
    EXPECT_EQ(placements(topology, 20), repeated({{0, 8}, {1, 8}, {0, 4}}));
}

TEST(NodeCursor, NodesWithoutProcessorsAreSkipped) {
    NumaTopology topology;
    topology.build({node(0, range(0, 1)), node(1, CpuSet()), node(2, range(2, 4))}, range(0, 4));
    EXPECT_EQ(placements(topology, 7), repeated({{0, 2}, {2, 3}, {0, 2}}));
}

TEST(NodeCursor, UnusableNodesReceiveNoThreads) {
    NumaTopology topology;
    topology.build({node(0, range(0, 7)), node(1, range(8, 15))}, range(0, 15));
    const char secondOnly[] = {0, 1};
    EXPECT_EQ(placements(topology, 20, secondOnly, 2), repeated({{1, 20}}));
    const char firstOnly[] = {1, 0};
    EXPECT_EQ(placements(topology, 20, firstOnly, 2), repeated({{0, 20}}));
    // Nodes past the end of the mask are not usable.
    EXPECT_EQ(placements(topology, 3, firstOnly, 1), repeated({{0, 3}}));
}

TEST(NodeCursor, NoUsableNodeWithProcessorsGivesNoNode) {
    NumaTopology topology;
    topology.build({node(0, range(0, 3)), node(1, CpuSet())}, range(0, 3));
    const char emptyNodeOnly[] = {0, 1};
    EXPECT_EQ(placements(topology, 2, emptyNodeOnly, 2), repeated({{-1, 2}}));
    EXPECT_EQ(placements(NumaTopology(), 1), repeated({{-1, 1}}));
}

TEST(NumaTopology, EnumeratesTheNodeListOnce) {
    Platform::CpuSet process;
    ASSERT_TRUE(Platform::getProcessAffinity(process));
    int first = 0;
    while (!process.contains(first)) ++first;
    ScratchDirectory root;
    ASSERT_EQ(mkdir((root / "node0").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((root / "node1").c_str(), 0755), 0);
    root.write("node0/cpulist", std::to_string(first) + "\n");
    root.write("node1/cpulist", "\n");
    NumaTopology topology(true, root.path().c_str());
    EXPECT_FALSE(topology.enumerated());
    topology.enumerate();
    EXPECT_TRUE(topology.enumerated());
    ASSERT_EQ(topology.nodeCount(), 2);
    EXPECT_EQ(topology.totalProcessors(), 1);
    // A second enumeration does not read the list again.
    root.write("node1/cpulist", std::to_string(first) + "\n");
    topology.enumerate();
    EXPECT_EQ(topology.totalProcessors(), 1);
}

TEST(NumaTopology, DisabledOrMissingNodeListMeansNoPlacement) {
    ScratchDirectory root;
    ASSERT_EQ(mkdir((root / "node0").c_str(), 0755), 0);
    root.write("node0/cpulist", "0\n");
    NumaTopology disabled(false, root.path().c_str());
    disabled.enumerate();
    EXPECT_TRUE(disabled.enumerated());
    EXPECT_EQ(disabled.nodeCount(), 0);
    const std::string absent = root / "absent";  // the topology keeps the pointer
    NumaTopology missing(true, absent.c_str());
    missing.enumerate();
    EXPECT_TRUE(missing.enumerated());
    EXPECT_EQ(missing.nodeCount(), 0);
    EXPECT_FALSE(missing.allowsPlacement());
}
