// How many frames a run converts at once, and the memory one conversion is estimated to need.
#include "converter/FramesInFlight.h"
#include "tests/tools/ProgramRun.h"
#include "tools/ovrsynth/PlumeFrame.h"

namespace {

TEST(FramesInFlight, AsManyAsTheThreadsAndTheFreeMemoryAllow) {
    const int64_t GB = int64_t(1) << 30;
    const struct { int threads, processors; int64_t frameBytes, available; int expected; } cases[] = {
        {0, 8, 0, 0, 8},           // one per processor; sizes unknown: no memory bound
        {3, 8, GB, 64 * GB, 3},    // the threads asked for
        {0, 32, 5 * GB, 40 * GB, 6},  // 80% of the free memory holds six frames
        {4, 4, 50 * GB, 10 * GB, 1},  // never fewer than one
        {2, 2, -1, 10 * GB, 2},    // an unknown frame size sets no bound
    };
    for (const auto& c : cases)
        EXPECT_EQ(framesInFlight(c.threads, c.processors, c.frameBytes, c.available), c.expected)
            << c.threads << " " << c.processors << " " << c.frameBytes << " " << c.available;
}

using FrameConversionBytes = ProgramTest;

TEST_F(FrameConversionBytes, CountsTheNamedChannelsOfTheHeader) {
    OvrSynth::FrameOptions options;
    options.plume.resolution = 10;
    ASSERT_TRUE(OvrWriter::writeBytes(path("f.ovr"), OvrSynth::buildPlumeFrame(options, 3)));
    // Smoke, temperature, fuel, three velocity and three colour grids, and three expanded channels.
    EXPECT_EQ(frameConversionBytes(path("f.ovr").c_str()),
              int64_t(1000) * 4 * (9 + 3) + static_cast<int64_t>(std::filesystem::file_size(path("f.ovr"))));
    EXPECT_EQ(frameConversionBytes(path("missing.ovr").c_str()), 0);
}

}  // namespace
