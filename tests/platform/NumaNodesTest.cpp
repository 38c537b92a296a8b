#include "platform/NumaNodes.h"

#include "ScratchDirectory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Adds a node directory, with a processor list unless `cpulist` is null.
void addNode(const ScratchDirectory& root, const std::string& name, const char* cpulist) {
    ASSERT_EQ(mkdir((root / name).c_str(), 0755), 0);
    if (cpulist != nullptr) root.write(name + "/cpulist", cpulist);
}

Platform::CpuSet setOf(std::initializer_list<int> processors) {
    Platform::CpuSet set;
    for (int p : processors) set.add(p);
    return set;
}

}  // namespace

TEST(NumaNodes, ReadsNodesInIdOrderFromTheNodeList) {
    ScratchDirectory root;
    addNode(root, "node10", "8-9\n");
    addNode(root, "node0", "0-3\n");
    addNode(root, "node2", "4-7,12\n");
    root.write("online", "0,2,10\n");
    root.write("possible", "0-15\n");
    std::vector<Platform::NumaNode> nodes;
    ASSERT_TRUE(Platform::readNumaNodes(nodes, root.path().c_str()));
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[0].id, 0);
    EXPECT_EQ(nodes[0].processors, setOf({0, 1, 2, 3}));
    EXPECT_EQ(nodes[1].id, 2);
    EXPECT_EQ(nodes[1].processors, setOf({4, 5, 6, 7, 12}));
    EXPECT_EQ(nodes[2].id, 10);
    EXPECT_EQ(nodes[2].processors, setOf({8, 9}));
}

TEST(NumaNodes, NodesWithoutUsableProcessorListHaveNoProcessors) {
    ScratchDirectory root;
    addNode(root, "node0", "0-1\n");
    addNode(root, "node1", "\n");            // memory only
    addNode(root, "node2", nullptr);         // list missing
    addNode(root, "node3", "0-banana\n");    // malformed
    addNode(root, "nodeX", "5\n");           // not a node
    addNode(root, "node", "6\n");            // not a node either
    std::vector<Platform::NumaNode> nodes;
    ASSERT_TRUE(Platform::readNumaNodes(nodes, root.path().c_str()));
    ASSERT_EQ(nodes.size(), 4u);
    EXPECT_EQ(nodes[0].processors.count(), 2);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(nodes[i].id, i);
        EXPECT_TRUE(nodes[i].processors.empty()) << i;
    }
}

TEST(NumaNodes, MissingOrEmptyNodeListGivesNoNodes) {
    ScratchDirectory root;
    std::vector<Platform::NumaNode> nodes(2);
    EXPECT_FALSE(Platform::readNumaNodes(nodes, root.path().c_str()));
    EXPECT_TRUE(nodes.empty());
    EXPECT_FALSE(Platform::readNumaNodes(nodes, (root / "absent").c_str()));
    EXPECT_FALSE(Platform::readNumaNodes(nodes, nullptr));
}
