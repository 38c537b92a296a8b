#include "plugins/vdbbridge/VdbVolume.h"

#include <gtest/gtest.h>

using VdbBridge::reductionForLimit;

namespace {

int32_t reduction(int32_t x, int32_t y, int32_t z, int64_t limit) {
    const int32_t resolution[3] = {x, y, z};
    return reductionForLimit(resolution, limit);
}

} // namespace

TEST(VoxelLimit, NegativeLimitOrAFittingGridKeepsTheResolution) {
    EXPECT_EQ(1, reduction(10, 10, 10, -1));
    EXPECT_EQ(1, reduction(10, 10, 10, 1000));
    EXPECT_EQ(1, reduction(0, 50, 50, 0));  // an empty grid fits any limit
}

TEST(VoxelLimit, SmallestFactorThatFits) {
    EXPECT_EQ(2, reduction(10, 10, 10, 999));  // 5^3 = 125
    EXPECT_EQ(2, reduction(10, 10, 10, 125));
    EXPECT_EQ(3, reduction(10, 10, 10, 124));  // 4^3 = 64
    EXPECT_EQ(2, reduction(5, 5, 5, 27));      // ceil(5 / 2) = 3 per axis
    EXPECT_EQ(10, reduction(100, 1, 1, 10));
}

TEST(VoxelLimit, LimitBelowOneVoxelShrinksEveryAxisToOne) {
    EXPECT_EQ(100, reduction(100, 3, 7, 0));
}

TEST(VoxelLimit, HugeGridsDoNotOverflow) {
    const int32_t n = 2147483647;
    EXPECT_EQ(1073741824, reduction(n, n, n, 8));  // 2 voxels per axis
    EXPECT_EQ(n, reduction(n, n, n, 1));
}
