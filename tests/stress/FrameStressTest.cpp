// Host threads on the frames of one sequence at once, with the built-in thread manager: some hold a
// frame throughout, others open, read and release frames over and over, so that frames are created,
// shared and destroyed while others read them. Every read must equal a single-threaded read. Hosts
// serialise creating and releasing (one mutex here); reads run concurrently. scripts/stress.sh runs
// this suite under ThreadSanitizer.
#include "loader/format/FrameDataArray.h"
#include "parallel/FmrParallel.h"
#include "tests/stress/FrameContents.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

TEST(FrameStress, ConcurrentOpenReadReleaseMatchesSingleThreadedReads) {
    constexpr int frames = 4, holders = 2, threadCount = 6, rounds = 6;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("ovr-stress-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    std::vector<std::vector<Words>> expected;
    for (int f = 0; f < frames; ++f) {
        // Large enough for two zones per channel, decoded on two workers; 3-D zones in odd frames.
        OvrSynth::FrameOptions options;
        options.plume.resolution = 48;
        options.plume.particlesPerFrame = 48;
        options.version = f % 2 ? 4 : 5;
        paths.push_back((folder / ("plume_" + std::to_string(f) + ".ovr")).string());
        ASSERT_TRUE(OvrWriter::writeBytes(paths.back(), OvrSynth::buildPlumeFrame(options, 10 + f)));
        // The reference: each frame read alone on this thread, with no thread manager.
        IOvr* frame = newIOvr(paths.back().c_str());
        ASSERT_NE(frame, nullptr);
        expected.push_back(readFrame(*frame, 0));
        deleteIOvr(frame);
        // Stored, derived (speed) and unpacked (colour) channels, positions and id lookups.
        for (size_t part : {2, 3, 7, 32, 64}) ASSERT_FALSE(expected.back().at(part).empty()) << part;
    }
    ASSERT_EQ(FumaraFrame::FrameDataArray.count(), 0);
    ZUtils::ThreadManager* manager = createDefaultThreadManager();
    ASSERT_TRUE(manager && FMRUtils::pushThreadManager(manager));

    std::mutex hostLock;
    std::atomic<int> mismatches{0};
    auto locked = [&](auto call) {
        std::lock_guard<std::mutex> lock(hostLock);
        return call();
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            IOvr* held = t < holders ? locked([&] { return newIOvr(paths[size_t(t)].c_str()); }) : nullptr;
            for (int round = 0; round < rounds; ++round) {
                const int index = held ? t : (t + round) % frames;
                IOvr* frame = held ? held : locked([&] { return newIOvr(paths[size_t(index)].c_str()); });
                if (!frame || readFrame(*frame, 5 * t + round) != expected[size_t(index)]) ++mismatches;
                if (frame != held) locked([&] { deleteIOvr(frame); });
            }
            locked([&] { deleteIOvr(held); });
        });
    }
    for (std::thread& thread : threads) thread.join();
    FMRUtils::popThreadManager();
    destroyDefaultThreadManager(manager);
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(FumaraFrame::FrameDataArray.count(), 0) << "a frame outlived its last release";
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
