// Host threads on one sequence with the built-in thread manager: some hold a frame, others open, read and
// release frames over and over (serialised, as hosts do); every read must equal a single-threaded read.
#include "loader/format/FrameDataArray.h"
#include "parallel/FmrParallel.h"
#include "tests/stress/FrameContents.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

TEST(FrameStress, ConcurrentOpenReadReleaseMatchesSingleThreadedReads) {
    constexpr int frames = 4, holders = 2, threadCount = 6, rounds = 6;
    const PlumeFrames files(frames, 48);  // two zones per channel, decoded on two workers
    ASSERT_EQ(files.paths.size(), size_t(frames));
    std::vector<std::vector<Words>> expected;
    for (const std::string& path : files.paths) {
        IOvr* frame = newIOvr(path.c_str());  // read alone on this thread, with no thread manager
        ASSERT_NE(frame, nullptr);
        expected.push_back(readFrame(*frame, 0));
        deleteIOvr(frame);  // then: stored, derived (speed) and unpacked (colour) channels, positions, ids
        for (size_t part : {2, 3, 7, 32, 64}) ASSERT_FALSE(expected.back().at(part).empty()) << part;
    }
    ZUtils::ThreadManager* manager = createDefaultThreadManager();
    ASSERT_TRUE(manager && FMRUtils::pushThreadManager(manager));
    std::mutex hostLock;
    auto locked = [&](auto call) { std::lock_guard<std::mutex> lock(hostLock); return call(); };
    auto open = [&](int index) { return locked([&] { return newIOvr(files.paths[size_t(index)].c_str()); }); };
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            IOvr* held = t < holders ? open(t) : nullptr;
            for (int round = 0; round < rounds; ++round) {
                const int index = held ? t : (t + round) % frames;
                IOvr* frame = held ? held : open(index);
                if (!frame || readFrame(*frame, 5 * t + round) != expected[size_t(index)]) ++mismatches;
                if (frame != held) locked([&] { deleteIOvr(frame); });
            }
            locked([&] { deleteIOvr(held); });
        });
    for (std::thread& thread : threads) thread.join();
    FMRUtils::popThreadManager();
    destroyDefaultThreadManager(manager);
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(FumaraFrame::FrameDataArray.count(), 0) << "a frame outlived its last release";
}
