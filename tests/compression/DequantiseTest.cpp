// The one-sweep finish of a box with one delta pass against the passes undone axis by axis and then
// converted: the same integers left behind and the same floats, bit for bit.
#include "compression/DeltaPasses.h"
#include "compression/Dequantise.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

using namespace FMRUtils;

TEST(DequantiseBoxOnePass, MatchesThePassesUndoneOneAxisAtATime) {
    std::mt19937 random(7);
    // Rows shorter than, equal to and between the four-lane steps; flat boxes along each axis; values
    // over the whole 32-bit range, whose sums wrap.
    const int64_t sizes[][3] = {{1, 1, 1}, {1, 5, 3}, {3, 1, 4}, {4, 4, 1}, {7, 3, 2}, {9, 6, 5}, {16, 2, 3}};
    for (const auto& s : sizes) {
        const int64_t size[3] = {s[0], s[1], s[2]};
        const size_t count = size_t(s[0] * s[1] * s[2]);
        std::vector<int32_t> stored(count);
        for (int32_t& v : stored) v = int32_t(random());
        std::vector<int32_t> expected = stored, fused = stored;
        std::vector<float> expectedFloats(count), fusedFloats(count);
        UndoDeltaPasses(expected.data(), size, 3, 1);
        Dequantise(expected.data(), int64_t(count), 1.0f / 3.0f, -2.5f, expectedFloats.data());
        DequantiseBoxOnePass(fused.data(), size, 1.0f / 3.0f, -2.5f, fusedFloats.data());
        EXPECT_EQ(fused, expected) << s[0] << "x" << s[1] << "x" << s[2];
        EXPECT_EQ(std::memcmp(fusedFloats.data(), expectedFloats.data(), count * sizeof(float)), 0)
            << s[0] << "x" << s[1] << "x" << s[2];
    }
}

TEST(DequantiseBoxOnePass, EmptyBoxWritesNothing) {
    std::vector<int32_t> q = {1, 2};
    std::vector<float> out = {-1.0f, -1.0f};
    const int64_t size[3] = {2, 0, 1 << 20};
    DequantiseBoxOnePass(q.data(), size, 1.0f, 0.0f, out.data());
    EXPECT_EQ(q, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(out, (std::vector<float>{-1.0f, -1.0f}));
}
