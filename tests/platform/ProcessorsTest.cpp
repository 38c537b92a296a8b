// Processor sets, thread affinity and the NUMA node list.
#include "platform/Affinity.h"
#include "platform/NumaNodes.h"
#include "tests/platform/ScratchDirectory.h"

#include <sys/stat.h>
#include <thread>

using namespace Platform;

static CpuSet setOf(std::initializer_list<int> ids) { CpuSet set; for (int id : ids) set.add(id); return set; }

TEST(CpuSet, ParsesTheSystemListFormAndRefusesAnythingElse) {
    const std::pair<const char*, CpuSet> valid[] = {
        {"0-3,8,10-11\n", setOf({0, 1, 2, 3, 8, 10, 11})}, {"1023", setOf({1023})}, {"63-64", setOf({63, 64})},
        {" \n", CpuSet()}};
    for (const char* text :
         {"1-", "-1", "3-1", "1,,2", "a", "1 2", "0-1024", "99999999999999999999", static_cast<const char*>(nullptr)}) {
        CpuSet set = setOf({7});
        EXPECT_FALSE(CpuSet::parseList(text, set) || !set.empty()) << text;
    }
    for (const auto& c : valid) {
        CpuSet set = setOf({7});
        EXPECT_TRUE(CpuSet::parseList(c.first, set) && set == c.second) << c.first;
    }
    EXPECT_EQ(setOf({0, 1, 2, 3, 8, 10, 1023, -1, CpuSet::kMaxProcessors}).count(), 7);
    EXPECT_FALSE(setOf({5}).contains(-1) || setOf({5}).contains(CpuSet::kMaxProcessors) || setOf({5}).contains(4));
    EXPECT_EQ(setOf({0, 1, 64, 200}).intersection(setOf({1, 64, 65})), setOf({1, 64}));
    EXPECT_NE(setOf({0}), setOf({1}));
}

TEST(Affinity, ThreadsAreRestrictedThroughTheirHandlesAndTheProcessCountFollows) {
    CpuSet process, seen;
    ASSERT_TRUE(getProcessAffinity(process) && !process.empty());
    EXPECT_EQ(processorCount(), process.count());
    int last = CpuSet::kMaxProcessors - 1;
    while (!process.contains(last)) --last;
    std::thread([&] {
        ThreadHandle self = duplicateCurrentThreadHandle();
        EXPECT_TRUE(setThreadAffinity(self, setOf({last})));
        getCurrentThreadAffinity(seen);
        closeThreadHandle(self);
    }).join();
    EXPECT_EQ(seen, setOf({last}));
    EXPECT_EQ(processorCount(), process.count());
    // The process affinity is that of the initial thread, which runs the tests.
    ThreadHandle self = duplicateCurrentThreadHandle();
    EXPECT_FALSE(setThreadAffinity(self, CpuSet()) || setThreadAffinity(nullptr, process));
    ASSERT_TRUE(setThreadAffinity(self, setOf({last})));
    EXPECT_EQ(processorCount(), 1);
    EXPECT_TRUE(setThreadAffinity(self, process));
    closeThreadHandle(self);
}

TEST(NumaNodes, ReadsNodeDirectoriesInIdOrder) {
    ScratchDirectory root;
    std::vector<NumaNode> nodes(2);
    EXPECT_FALSE(readNumaNodes(nodes, root.path().c_str()) || !nodes.empty());
    const std::pair<const char*, const char*> entries[] = {  // name, processor list (null: none)
        {"node10", "8-9\n"}, {"node0", "0-3\n"}, {"node2", "\n"}, {"node3", nullptr},
        {"node4", "0-banana\n"}, {"nodeX", "5\n"}, {"node", "6\n"}, {"node99999999", "7\n"}};
    for (const auto& e : entries) {
        ASSERT_EQ(mkdir((root / e.first).c_str(), 0755), 0);
        if (e.second) root.write(std::string(e.first) + "/cpulist", e.second);
    }
    ASSERT_TRUE(readNumaNodes(nodes, root.path().c_str()));
    const std::pair<int, CpuSet> want[] = {{0, setOf({0, 1, 2, 3})}, {2, {}}, {3, {}}, {4, {}}, {10, setOf({8, 9})}};
    ASSERT_EQ(nodes.size(), std::size(want));
    for (size_t i = 0; i < nodes.size(); ++i)
        EXPECT_TRUE(nodes[i].id == want[i].first && nodes[i].processors == want[i].second) << i;
    EXPECT_FALSE(readNumaNodes(nodes, (root / "absent").c_str()) || readNumaNodes(nodes, nullptr));
}
