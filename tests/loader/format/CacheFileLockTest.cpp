// The open-file registry and the shared OS lock taken while a cache file is read.
#include "FormatTestSupport.h"

#include "loader/format/CacheFileLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sys/file.h>
#include <thread>

using namespace FormatTest;

namespace {

std::string smallCache() {
    OvrWriter::CacheWriter writer(5);
    writer.frameNumber(1);
    return saveBytes(writer.build());
}

}  // namespace

TEST(CacheFileLock, ASecondReadOfTheSameKeyWaitsForTheFirst) {
    const std::string path = smallCache();
    FILE* first = fopen(path.c_str(), "rb");
    FILE* second = fopen(path.c_str(), "rb");
    const char* key = path.c_str();
    ASSERT_TRUE(CacheIO::LockCacheFile(first, key));
    std::atomic<bool> released{false};
    std::atomic<bool> secondLockedEarly{false};
    std::thread waiter([&] {
        const bool locked = CacheIO::LockCacheFile(second, key);
        secondLockedEarly = locked && !released;
        EXPECT_TRUE(locked);
        EXPECT_TRUE(CacheIO::ReleaseCacheFile(second, key));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    released = true;
    EXPECT_TRUE(CacheIO::ReleaseCacheFile(first, key));
    waiter.join();
    EXPECT_FALSE(secondLockedEarly);
}

TEST(CacheFileLock, ReadersOfOtherKeysShareTheFile) {
    const std::string path = smallCache();
    const std::string otherKey = path;
    FILE* first = fopen(path.c_str(), "rb");
    ASSERT_TRUE(CacheIO::LockCacheFile(first, path.c_str()));
    FumaraFrameData frame;
    EXPECT_EQ(frame.ImportOvr(otherKey.c_str(), false), 0);
    EXPECT_TRUE(CacheIO::ReleaseCacheFile(first, path.c_str()));
}

TEST(CacheFileLock, AnExclusiveLockElsewhereMakesTheReadFailWithThree) {
    const std::string path = smallCache();
    FILE* writer = fopen(path.c_str(), "rb");
    ASSERT_EQ(flock(fileno(writer), LOCK_EX), 0);
    FumaraFrameData frame;
    EXPECT_EQ(frame.ImportOvr(path.c_str(), false), 3);  // after 30 attempts, about 6 s
    fclose(writer);
    // The key was withdrawn and the lock is free again.
    EXPECT_EQ(frame.ImportOvr(path.c_str(), false), 0);
}
