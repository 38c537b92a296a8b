#include "platform/CpuSet.h"

#include <gtest/gtest.h>

using Platform::CpuSet;

namespace {

CpuSet setOf(std::initializer_list<int> processors) {
    CpuSet set;
    for (int p : processors) set.add(p);
    return set;
}

}  // namespace

TEST(CpuSet, ParsesTheSystemListForm) {
    CpuSet set;
    ASSERT_TRUE(CpuSet::parseList("0-3,8,10-11\n", set));
    EXPECT_EQ(set, setOf({0, 1, 2, 3, 8, 10, 11}));
    EXPECT_EQ(set.count(), 7);
    ASSERT_TRUE(CpuSet::parseList("1023", set));
    EXPECT_EQ(set, setOf({1023}));
    ASSERT_TRUE(CpuSet::parseList("63-64", set));
    EXPECT_TRUE(set.contains(63) && set.contains(64) && !set.contains(62) && !set.contains(65));
}

TEST(CpuSet, BlankListIsTheEmptySet) {
    CpuSet set = setOf({5});
    ASSERT_TRUE(CpuSet::parseList(" \n", set));
    EXPECT_TRUE(set.empty());
}

TEST(CpuSet, MalformedListsAreRefusedAndLeaveTheSetEmpty) {
    for (const char* text : {"1-", "-1", "3-1", "1,,2", "1,", "a", "1 2", "0-1024", "99999999999999999999"}) {
        CpuSet set = setOf({7});
        EXPECT_FALSE(CpuSet::parseList(text, set)) << text;
        EXPECT_TRUE(set.empty()) << text;
    }
    CpuSet set;
    EXPECT_FALSE(CpuSet::parseList(nullptr, set));
}

TEST(CpuSet, NumbersOutsideTheRangeAreIgnored) {
    CpuSet set;
    set.add(-1);
    set.add(CpuSet::kMaxProcessors);
    EXPECT_TRUE(set.empty());
    EXPECT_FALSE(set.contains(-1));
    EXPECT_FALSE(set.contains(CpuSet::kMaxProcessors));
}

TEST(CpuSet, IntersectionKeepsCommonProcessors) {
    EXPECT_EQ(setOf({0, 1, 64, 200}).intersection(setOf({1, 64, 65})), setOf({1, 64}));
    EXPECT_TRUE(setOf({0}).intersection(setOf({1})).empty());
    EXPECT_NE(setOf({0}), setOf({1}));
}
