// Zone tables on the built-in pool: the zones decode and encode on several threads with the same result
// as on the calling thread, and a failed zone still fails the block.
#include "compression/SGCompressor.h"
#include "parallel/FmrParallel.h"
#include "parallel/WinThreadManager.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace FMRUtils;

namespace {

std::vector<float> Wave(int count) {
    std::vector<float> f(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) f[size_t(i)] = i % 3000 < 1000 ? 0.0f : std::sin(float(i) * 0.01f);
    return f;
}

std::vector<uint8_t> Bytes(const FmrArray<char, int64_t>& a) {
    return std::vector<uint8_t>(a.data(), a.data() + a.count());
}

// Registers a pool of four threads for the lifetime of the object.
class PoolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pushThreadManager(&m_pool)); }
    void TearDown() override { popThreadManager(); }

private:
    ZUtils::WinThreadManager m_pool{false, nullptr};
};

}  // namespace

TEST_F(PoolTest, ZoneTablesDecodeAndEncodeAlikeOnAnyNumberOfThreads) {
    const auto values = Wave(60000);
    const int size[1] = {60000};
    ZoneSettings s;
    s.bits = 12;
    s.deltaPasses = 2;

    FmrArray<char, int64_t> single, pooled;
    {
        SGCompressor<1> oneThread(1);
        ASSERT_GT(oneThread.Compress(values.data(), size, 2000, s, single), 0);
    }
    SGCompressor<1> codec(4);
    ASSERT_GT(codec.Compress(values.data(), size, 2000, s, pooled), 0);
    EXPECT_EQ(codec.jobCount(), 4);
    EXPECT_EQ(Bytes(single), Bytes(pooled));

    std::vector<float> onPool(60000), onCaller(60000);
    ASSERT_EQ(codec.Decompress(pooled.data(), pooled.count(), onPool.data(), 60000), 1);
    SGCompressor<1> oneThread(1);
    ASSERT_EQ(oneThread.Decompress(pooled.data(), pooled.count(), onCaller.data(), 60000), 1);
    EXPECT_EQ(onPool, onCaller);
    // The same object decodes again, reusing its jobs and scratch arrays.
    std::vector<float> again(60000);
    ASSERT_EQ(codec.Decompress(pooled.data(), pooled.count(), again.data(), 60000), 1);
    EXPECT_EQ(again, onPool);
}

TEST_F(PoolTest, AFailedZoneOnAWorkerFailsTheBlock) {
    const auto values = Wave(20000);
    const int size[1] = {20000};
    SGCompressor<1> codec(4);
    FmrArray<char, int64_t> block;
    ASSERT_GT(codec.Compress(values.data(), size, 1000, ZoneSettings(), block), 0);
    // The last zone's stream loses its end: that zone reads past its bytes.
    std::vector<float> out(20000);
    EXPECT_EQ(codec.Decompress(block.data(), block.count() - 40, out.data(), 20000), 0);
    EXPECT_EQ(codec.Decompress(block.data(), block.count(), out.data(), 20000), 1);
}

TEST_F(PoolTest, BoxZonesDecodeOnThePool) {
    const int size[3] = {16, 16, 24};
    std::vector<float> values(16 * 16 * 24);
    for (size_t i = 0; i < values.size(); ++i) values[i] = std::cos(float(i % 16) * 0.4f) * float(i / 256);
    SGCompressor<3> codec(3);
    FmrArray<char, int64_t> block;
    ZoneSettings s;
    s.bits = 10;
    ASSERT_GT(codec.Compress(values.data(), size, 5, s, block), 0);
    std::vector<float> pooled(values.size()), serial(values.size());
    ASSERT_EQ(codec.Decompress(block.data(), block.count(), pooled.data(), int64_t(values.size())), 1);
    SGCompressor<3> oneThread(1);
    ASSERT_EQ(oneThread.Decompress(block.data(), block.count(), serial.data(), int64_t(values.size())), 1);
    EXPECT_EQ(pooled, serial);
}
