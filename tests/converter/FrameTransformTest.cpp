#include "converter/FrameTransform.h"

#include <gtest/gtest.h>

namespace {

// The frame maps world to grid as p * A + o (A row by row, then o); the index-to-world matrix is
// A^-1 with the offset -o * A^-1 in its last row, rounded to single precision.
TEST(FrameTransformTest, MatrixIsTheInverseMapOrNoneWhenSingular) {
    const double third = static_cast<float>(1.0 / 3.0);
    const struct { const char* name; float transform[12]; bool invertible; double matrix[16]; } cases[] = {
        {"scaled by 3", {3, 0, 0, 0, 3, 0, 0, 0, 3, 1, 2, -4}, true,
         {third, 0, 0, 0, 0, third, 0, 0, 0, 0, third, 0, -third, -(2 * third), 4 * third, 1}},
        // Not symmetric, so that a transposed inverse shows; det 1, A^-1 = {1 -4 2, 0 2 -1, 0 -1 1}.
        {"general", {1, 2, 0, 0, 1, 1, 0, 1, 2, 1, 2, -4}, true, {1, -4, 2, 0, 0, 2, -1, 0, 0, -1, 1, 0, -1, -4, 4, 1}},
        {"zero", {}, false, {}},
        {"flat", {1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        double m[16];
        ASSERT_EQ(indexToWorldMatrix(c.transform, m), c.invertible);
        for (int i = 0; c.invertible && i < 16; ++i) EXPECT_EQ(m[i], c.matrix[i]) << i;
    }
}

} // namespace
