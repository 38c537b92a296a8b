// Cache frames through the exports, without initialising the library.
#include "tests/host/HostSupport.h"

#include <cstring>
#include <fstream>

namespace {

const float Scaled[12] = {2, 0, 0, 0, 4, 0, 0, 0, 8, 1, 2, 3};

class OvrFrames : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = scratch_.path("frame_0007.ovr");
        ASSERT_TRUE(writeCacheFile(path_, 4, 3, 2, {1, 2, 4, 5, 6}, Scaled));
    }

    ScratchDirectory scratch_;
    std::string path_;
};

bool holdsCacheValues(IOvr* frame, int channel) {
    const float* values = frame->getChannelData(channel);
    if (!values) return false;
    for (int i = 0; i < 24; ++i)
        if (values[i] != cacheValue(channel, i)) return false;
    return true;
}

// A frame object of the host's own, which the library never made.
class HostFrame : public IOvr {
public:
    float* getChannelData(int) override { return nullptr; }
    int hasChannel(int) override { return 7; }
    int getResolution(int resolution[3]) override { return resolution[0] = 0; }
    void getTransform(float[12]) override {}
    int getParticleGroupCount() override { return 0; }
    IFumaraPrtGroup* getParticleGroup(int) override { return nullptr; }
    IFumaraPrtGroup* findParticleGroup(const char*) override { return nullptr; }
};

} // namespace

TEST(HostLibrary, ReportsItsVersion) {
    EXPECT_EQ(201216u, FumaraSDKGetVersionNumber());
}

TEST_F(OvrFrames, OpensAndReadsACacheFrame) {
    IOvr* frame = newIOvr(path_.c_str());
    ASSERT_NE(nullptr, frame);
    int resolution[3] = {};
    EXPECT_EQ(4, frame->getResolution(resolution));
    EXPECT_EQ(3, resolution[1]);
    EXPECT_EQ(2, resolution[2]);
    float transform[12];
    frame->getTransform(transform);
    EXPECT_EQ(0, std::memcmp(Scaled, transform, sizeof transform));
    EXPECT_TRUE(holdsCacheValues(frame, 2));
    EXPECT_TRUE(holdsCacheValues(frame, 1));
    EXPECT_EQ(1, frame->hasChannel(3));  // derived from 4, 5 and 6
    EXPECT_NE(nullptr, frame->getChannelData(3));
    EXPECT_EQ(0, frame->hasChannel(10));
    EXPECT_EQ(nullptr, frame->getChannelData(10));
    EXPECT_EQ(nullptr, frame->getChannelData(32));
    deleteIOvr(frame);
}

TEST_F(OvrFrames, AnUnchangedFileIsSharedUntilItsLastRelease) {
    IOvr* first = newIOvr(path_.c_str());
    IOvr* second = newIOvr(path_.c_str());
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, second);
    deleteIOvr(second);
    // One reference remains: the frame is still there (a sanitizer build would report a read of
    // a destroyed frame).
    EXPECT_TRUE(holdsCacheValues(first, 2));
    deleteIOvr(first);
    deleteIOvr(first);  // no longer listed: ignored
}

TEST_F(OvrFrames, AChangedFileOrOtherMappingsGiveANewFrame) {
    ASSERT_TRUE(setModificationTime(path_, 1000000000));
    IOvr* before = newIOvr(path_.c_str());
    ASSERT_TRUE(setModificationTime(path_, 1000000100));
    IOvr* after = newIOvr(path_.c_str());
    IOvr* mapped = newIOvrWithChannelsMapping(path_.c_str(), "2,density;");
    ASSERT_TRUE(before && after && mapped);
    EXPECT_NE(before, after);
    EXPECT_NE(after, mapped);
    EXPECT_EQ(mapped, newIOvrWithChannelsMappingMaxVox(path_.c_str(), "2,density;", -1, false));
    EXPECT_TRUE(holdsCacheValues(before, 2));
    for (IOvr* frame : {before, after, mapped, mapped}) deleteIOvr(frame);
}

TEST_F(OvrFrames, LimitedAndHeaderOnlyFramesAreNeverSharedAndDeletedAtOnce) {
    IOvr* limited = newIOvrMaxVox(path_.c_str(), 100, false);
    IOvr* limitedAgain = newIOvrMaxVox(path_.c_str(), 100, false);
    IOvr* header = newIOvrMaxVox(path_.c_str(), -1, true);
    IOvr* headerAgain = newIOvrWithChannelsMappingMaxVox(path_.c_str(), nullptr, -1, true);
    ASSERT_TRUE(limited && limitedAgain && header && headerAgain);
    EXPECT_NE(limited, limitedAgain);
    EXPECT_NE(header, headerAgain);
    // The voxel limit concerns OpenVDB files only.
    EXPECT_TRUE(holdsCacheValues(limited, 1));
    // A header-only frame describes the grid without its data.
    int resolution[3];
    EXPECT_EQ(4, header->getResolution(resolution));
    EXPECT_EQ(1, header->hasChannel(2));
    EXPECT_EQ(nullptr, header->getChannelData(2));
    for (IOvr* frame : {limited, limitedAgain, header, headerAgain}) {
        deleteIOvr(frame);
        deleteIOvr(frame);  // destroyed by the first call: the second is ignored
    }
}

TEST_F(OvrFrames, ExtensionsAreComparedWithoutCase) {
    const std::string upper = scratch_.path("FRAME.OVR");
    ASSERT_TRUE(writeCacheFile(upper, 2, 2, 2, {2}, Scaled));
    IOvr* frame = newIOvr(upper.c_str());
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(cacheValue(2, 7), frame->getChannelData(2)[7]);
    deleteIOvr(frame);

    const std::string text = scratch_.path("frame.txt");
    ASSERT_TRUE(writeCacheFile(text, 2, 2, 2, {2}, Scaled));
    EXPECT_EQ(nullptr, newIOvr(text.c_str()));
    EXPECT_EQ(nullptr, newIOvr(scratch_.path("missing.ovr").c_str()));
    EXPECT_EQ(nullptr, newIOvr(""));
    EXPECT_EQ(nullptr, newIOvr(nullptr));
    EXPECT_EQ(nullptr, newIOvrMaxVox(nullptr, 5, true));
}

TEST_F(OvrFrames, BrokenFilesGiveNoFrame) {
    const std::string broken = scratch_.path("broken.ovr");
    std::ofstream(broken) << "OVRA but nothing else";
    EXPECT_EQ(nullptr, newIOvr(broken.c_str()));
}

TEST(HostLibrary, DeletingWhatTheLibraryDidNotMakeDoesNothing) {
    HostFrame own;
    deleteIOvr(&own);
    deleteIOvr(nullptr);
    EXPECT_EQ(7, own.hasChannel(0));
}

TEST(HostLibrary, CacheFilesGetNoDefaultMappings) {
    char buffer[8] = "x";
    EXPECT_EQ(1, ovrGenerateDefaultChannelMappings(buffer, sizeof buffer, "frame_0001.ovr"));
    EXPECT_STREQ("", buffer);
}
