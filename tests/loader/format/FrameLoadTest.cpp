// The frame's load operation: importer chosen by extension, the plug-in seam, recorded identity,
// and the open-file registry and shared OS lock held while a cache file is read.
#include "FormatTestSupport.h"

#include "loader/format/CacheFileLock.h"
#include "loader/format/PluginImports.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sys/file.h>
#include <thread>
#include <tuple>

using namespace FormatTest;

namespace {

// What the fake importers were last given (Field3D imports record a voxel limit of -2), and their result.
struct ImportCall {
    std::string path, mappings;
    FumaraFrameData* frame;
    bool headerOnly;
    int64_t voxelLimit;
    int result;
} lastCall{};

int fakeOpenVDB(const char* path, FumaraFrameData* frame, const char* mappings, bool headerOnly, int64_t voxelLimit) {
    lastCall = {path, mappings, frame, headerOnly, voxelLimit, lastCall.result};
    return lastCall.result;
}

int fakeField3D(const char* path, FumaraFrameData* frame, const char* mappings, bool headerOnly, int64_t voxelLimit) {
    return fakeOpenVDB(path, frame, mappings, headerOnly, -voxelLimit);  // negated: tells the two imports apart
}

std::string smallCache(const std::string& name) {
    return saveBytes(cacheFile(5, [](OvrWriter::CacheWriter& w) { w.frameNumber(17); }), name);
}

}  // namespace

TEST(FrameLoad, TheExtensionChoosesTheImporterAndEveryLoadStartsEmpty) {
    const std::string full = saveBytes(cacheFile(5, [](OvrWriter::CacheWriter& w) {
        w.particles({positionsGroup("g", 1)}, false);
        w.grid(1, 1, 1, {1, 2, 3});
        w.frameNumber(17);
    }), "frame.OVR");
    const std::pair<std::string, int> cases[] = {
        {full, 0}, {smallCache("frame.ovr.bak"), 3}, {full, 0}, {smallCache("frame"), 3}, {full, 0}, {"", 3},
        {full, 0}, {tempPath("missing.ovr"), 3}, {"volume.vdb", CacheIO::PluginAbsentCode},
        {"volume.F3D", CacheIO::PluginAbsentCode},
    };
    FumaraFrameData frame;
    int resolution[3];
    for (const auto& [path, code] : cases) {
        EXPECT_EQ(frame.load(path.c_str(), "1,density;", 0.0, -1, false), code) << path;
        EXPECT_EQ(frame.path, code == 0 ? path : "") << path;
        EXPECT_EQ(frame.description.frameNumber == 17, code == 0) << path;
        EXPECT_EQ(frame.groupCount(), code == 0 ? 1 : 0) << path;
        EXPECT_EQ(frame.comprDataSzInts(), code == 0 ? 3 : 0) << path;
        EXPECT_EQ(frame.getResolution(resolution), code == 0 ? 1 : 0) << path;
    }
    EXPECT_EQ(frame.load(nullptr, "", 0.0, -1, false), 3);
}

TEST(FrameLoad, ForeignFilesGoToThePluginImports) {
    CacheIO::setPluginImports({fakeField3D, fakeOpenVDB});
    const std::string vdb = smallCache("volume.Vdb");
    const int64_t time = 1500000000;
    ASSERT_EQ(Platform::setFileTimes(vdb.c_str(), nullptr, &time), 0);
    FumaraFrameData frame;
    auto call = [] { return std::make_tuple(lastCall.path, lastCall.frame, lastCall.mappings, lastCall.headerOnly, lastCall.voxelLimit); };
    ASSERT_EQ(frame.load(vdb.c_str(), "2,smoke;", 3.5, 1000, false), 0);
    EXPECT_EQ(call(), std::make_tuple(vdb, &frame, std::string("2,smoke;"), false, int64_t(1000)));
    EXPECT_EQ(std::make_tuple(frame.description.headerDoubleA(), frame.path, frame.fileTime), std::make_tuple(3.5, vdb, time));

    ASSERT_EQ(frame.load("volume.f3d", "", 4.5, 2, true), 0);
    EXPECT_EQ(call(), std::make_tuple(std::string("volume.f3d"), &frame, std::string(""), true, int64_t(-2)));
    EXPECT_TRUE(frame.description.headerOnly());
    EXPECT_NE(frame.description.headerDoubleA(), 4.5);  // only after a full import

    lastCall.result = 9;
    EXPECT_EQ(frame.load(vdb.c_str(), "", 0.0, -1, false), 9);
    EXPECT_EQ(std::make_tuple(frame.path, frame.fileTime), std::make_tuple(std::string(), int64_t(0)));
    CacheIO::setPluginImports({});
}

TEST(CacheFileLock, ReadsOfOneKeyTakeTurnsAndAnExclusiveLockElsewhereFailsTheReadWithThree) {
    const std::string path = saveBytes(cacheFile(5, [](OvrWriter::CacheWriter&) {}));
    const char* key = path.c_str();
    FILE* first = fopen(key, "rb");
    ASSERT_TRUE(CacheIO::LockCacheFile(first, key));
    // A read of another key (the same path in another string) shares the file meanwhile.
    EXPECT_EQ(FumaraFrameData().ImportOvr(std::string(path).c_str(), false), 0);
    std::atomic<bool> released{false}, secondLockedEarly{false};
    std::thread waiter([&] {
        FILE* second = fopen(key, "rb");
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

    FILE* writer = fopen(key, "rb");
    ASSERT_EQ(flock(fileno(writer), LOCK_EX), 0);
    FumaraFrameData frame;
    EXPECT_EQ(frame.ImportOvr(key, false), 3);  // after 30 attempts, about 6 s
    fclose(writer);
    EXPECT_EQ(frame.ImportOvr(key, false), 0);  // the key was withdrawn and the lock is free again
}
