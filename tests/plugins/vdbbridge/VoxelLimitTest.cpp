#include "plugins/vdbbridge/VdbVolume.h"

#include <gtest/gtest.h>

TEST(VoxelLimit, SmallestFactorThatFitsTheLimit) {
    const int32_t n = 2147483647;
    const struct { int32_t resolution[3]; int64_t limit; int32_t factor; } cases[] = {
        {{10, 10, 10}, -1, 1}, {{10, 10, 10}, 1000, 1}, {{0, 50, 50}, 0, 1},  // no limit, fits, empty
        {{10, 10, 10}, 999, 2}, {{10, 10, 10}, 125, 2}, {{10, 10, 10}, 124, 3}, {{5, 5, 5}, 27, 2}, {{100, 1, 1}, 10, 10},
        {{100, 3, 7}, 0, 100},  // below one voxel: every axis shrinks to one
        {{n, n, n}, 8, 1073741824}, {{n, n, n}, 1, n},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.factor, VdbBridge::reductionForLimit(c.resolution, c.limit)) << "case " << &c - cases;
}
