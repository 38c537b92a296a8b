#include "converter/FrameTransform.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameTransformTest, InverseIsRoundedToSinglePrecisionAndOffsetNegated) {
    const float transform[12] = {3, 0, 0, 0, 3, 0, 0, 0, 3, 1, 2, -4};
    double m[16];
    ASSERT_TRUE(indexToWorldMatrix(transform, m));
    const float third = static_cast<float>(1.0 / 3.0);
    const double expected[16] = {third, 0, 0, 0, 0, third, 0, 0, 0, 0, third, 0, -third, -(2 * third), 4 * third, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], expected[i]) << i;
}

TEST(FrameTransformTest, RowVectorsThroughTheMatrixUndoTheFrameMap) {
    // Not symmetric, so that a transposed inverse shows.
    const float transform[12] = {1, 2, 0, 0, 1, 0, 0, 3, 1, 5, 6, 7};
    double m[16];
    ASSERT_TRUE(indexToWorldMatrix(transform, m));
    const double index[3] = {2, -1, 4};
    double world[3];
    for (int c = 0; c < 3; ++c) world[c] = index[0] * m[c] + index[1] * m[4 + c] + index[2] * m[8 + c] + m[12 + c];
    for (int c = 0; c < 3; ++c) {
        const double back = world[0] * transform[c] + world[1] * transform[3 + c] + world[2] * transform[6 + c] +
                            transform[9 + c];
        EXPECT_NEAR(back, index[c], 1e-5) << c;
    }
}

TEST(FrameTransformTest, SingularMapHasNoInverse) {
    const float zero[12] = {};
    const float flat[12] = {1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    double m[16];
    EXPECT_FALSE(indexToWorldMatrix(zero, m));
    EXPECT_FALSE(indexToWorldMatrix(flat, m));
}

} // namespace
