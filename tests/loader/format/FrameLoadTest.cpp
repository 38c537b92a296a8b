// The frame's load operation: importer chosen by extension, the plug-in seam, recorded identity.
#include "FormatTestSupport.h"

#include "loader/format/PluginImports.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

using namespace FormatTest;

namespace {

struct ImportCall {
    std::string path;
    FumaraFrameData* frame = nullptr;
    std::string mappings;
    bool headerOnly = false;
    int64_t voxelLimit = 0;
    int calls = 0;
};
ImportCall lastCall;
int importResult = 0;

int fakeField3D(const char* path, FumaraFrameData* frame, const char* mappings, bool headerOnly) {
    lastCall = {path, frame, mappings ? mappings : "", headerOnly, 0, lastCall.calls + 1};
    return importResult;
}

int fakeOpenVDB(const char* path, FumaraFrameData* frame, const char* mappings, bool headerOnly, int64_t voxelLimit) {
    lastCall = {path, frame, mappings ? mappings : "", headerOnly, voxelLimit, lastCall.calls + 1};
    return importResult;
}

// Installs the fake importers for one test.
class FakePlugins {
public:
    FakePlugins() {
        lastCall = ImportCall();
        importResult = 0;
        CacheIO::setPluginImports({fakeField3D, fakeOpenVDB});
    }
    ~FakePlugins() { CacheIO::setPluginImports({}); }
};

std::string smallCache(const std::string& name) {
    OvrWriter::CacheWriter writer(5);
    writer.frameNumber(17);
    return saveBytes(writer.build(), name);
}

}  // namespace

TEST(FrameLoad, ExtensionIsComparedInLowerCase) {
    const std::string path = smallCache("frame.OVR");
    FumaraFrameData frame;
    ASSERT_EQ(frame.load(path.c_str(), "", 0.0, -1, false), 0);
    EXPECT_EQ(frame.description.frameNumber, 17);
    EXPECT_EQ(frame.path, path);
}

TEST(FrameLoad, OtherExtensionsAndEmptyPathsYieldThree) {
    const std::string unknown = smallCache("frame.ovr.bak");
    const std::string noDot = smallCache("frame");
    FumaraFrameData frame;
    EXPECT_EQ(frame.load(unknown.c_str(), "", 0.0, -1, false), 3);
    EXPECT_EQ(frame.load(noDot.c_str(), "", 0.0, -1, false), 3);
    EXPECT_EQ(frame.load("", "", 0.0, -1, false), 3);
    EXPECT_EQ(frame.load(nullptr, "", 0.0, -1, false), 3);
    EXPECT_EQ(frame.path, "");
}

TEST(FrameLoad, ForeignFilesWithoutPluginsYieldTwo) {
    FumaraFrameData frame;
    EXPECT_EQ(frame.load("volume.vdb", "1,density;", 0.0, -1, false), CacheIO::PluginAbsentCode);
    EXPECT_EQ(frame.load("volume.F3D", "1,density;", 0.0, -1, true), CacheIO::PluginAbsentCode);
}

TEST(FrameLoad, ForeignFilesGoToThePluginImports) {
    FakePlugins plugins;
    const std::string vdb = smallCache("volume.Vdb");
    FumaraFrameData frame;
    ASSERT_EQ(frame.load(vdb.c_str(), "2,smoke;", 3.5, 1000, false), 0);
    EXPECT_EQ(lastCall.path, vdb);
    EXPECT_EQ(lastCall.frame, &frame);
    EXPECT_EQ(lastCall.mappings, "2,smoke;");
    EXPECT_EQ(lastCall.voxelLimit, 1000);
    EXPECT_FALSE(lastCall.headerOnly);
    EXPECT_EQ(frame.description.headerDoubleA(), 3.5);
    EXPECT_EQ(frame.path, vdb);

    ASSERT_EQ(frame.load("volume.f3d", "", 4.5, -1, true), 0);
    EXPECT_TRUE(lastCall.headerOnly);
    EXPECT_TRUE(frame.description.headerOnly());
    EXPECT_NE(frame.description.headerDoubleA(), 4.5);  // only after a full import
    EXPECT_EQ(lastCall.calls, 2);

    importResult = 9;
    EXPECT_EQ(frame.load(vdb.c_str(), "", 0.0, -1, false), 9);
    EXPECT_EQ(frame.path, "");
    EXPECT_EQ(frame.fileTime, 0);
}

TEST(FrameLoad, RecordsTheFilesModificationTime) {
    const std::string path = smallCache("timed.ovr");
    const int64_t time = 1500000000;
    ASSERT_EQ(Platform::setFileTimes(path.c_str(), nullptr, &time), 0);
    FumaraFrameData frame;
    ASSERT_EQ(frame.load(path.c_str(), "", 0.0, -1, false), 0);
    EXPECT_EQ(frame.fileTime, time);
}

TEST(FrameLoad, LoadingStartsFromAnEmptyFrame) {
    OvrWriter::CacheWriter writer(5);
    OvrWriter::ParticleGroup group;
    group.name = "g";
    writer.particles({group}, false);
    writer.grid(1, 1, 1, {1, 2, 3});
    const std::string path = saveBytes(writer.build(), "full.ovr");
    FumaraFrameData frame;
    ASSERT_EQ(frame.load(path.c_str(), "", 0.0, -1, false), 0);
    EXPECT_EQ(frame.groupCount(), 1);
    EXPECT_EQ(frame.load(tempPath("missing.ovr").c_str(), "", 0.0, -1, false), 3);
    EXPECT_EQ(frame.groupCount(), 0);
    EXPECT_EQ(frame.comprDataSzInts(), 0);
    int resolution[3];
    EXPECT_EQ(frame.getResolution(resolution), 0);
}
