// Sharing frames: the list, the reference counts, their log lines and the report at unload.
#include "FormatTestSupport.h"

#include "loader/format/FrameDataArray.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace FormatTest;
using FumaraFrame::FrameDataList;

namespace {

FumaraFrameData* newFrame(const char* path, int frameNumber) {
    auto* frame = new FumaraFrameData;
    frame->path = path;
    frame->description.frameNumber = frameNumber;
    return frame;
}

std::string line(const char* format, const FumaraFrameData* frame, int count, int headerOnly) {
    char text[256];
    snprintf(text, sizeof text, format, static_cast<unsigned>(reinterpret_cast<uintptr_t>(frame)), count, headerOnly,
             frame->path.c_str());
    return text;
}

}  // namespace

TEST(FrameDataArray, ReferencesAreCountedAndLogged) {
    LogCapture log;
    FrameDataList list;
    FumaraFrameData* frame = newFrame("/caches/a.ovr", 1);
    EXPECT_EQ(list.addReference(frame, false), frame);
    const std::string added = line("FumaraFrameData refCount=1 %08X %d, I:%d, /caches/a.ovr\n", frame, 1, 0);
    EXPECT_EQ(list.addReference(frame, false), frame);
    const std::string again = line("FumaraFrameData refCount++ %08X %d, I:%d, /caches/a.ovr\n", frame, 2, 0);
    EXPECT_EQ(frame->refCount, 2);
    EXPECT_EQ(list.count(), 1);
    const std::string first = line("FumaraFrameData refCount-- %08X %d, I:%d, /caches/a.ovr\n", frame, 1, 0);
    list.releaseReference(frame);
    const std::string last = line("FumaraFrameData refCount-- %08X %d, I:%d, /caches/a.ovr\n", frame, 0, 0);
    list.releaseReference(frame);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(log.text(), added + again + first + last);
    // The frame is gone: releasing it again finds nothing and does nothing.
    list.releaseReference(frame);
    list.releaseReference(nullptr);
    EXPECT_EQ(list.addReference(nullptr, false), nullptr);
    EXPECT_EQ(log.text(), added + again + first + last);
}

TEST(FrameDataArray, HeaderOnlyBitIsLogged) {
    LogCapture log;
    FrameDataList list;
    FumaraFrameData* frame = newFrame("h.ovr", 1);
    frame->reset(true);
    list.addReference(frame, false);
    EXPECT_EQ(log.text(), line("FumaraFrameData refCount=1 %08X %d, I:%d, h.ovr\n", frame, 1, 1));
}

TEST(FrameDataArray, ReleasingMovesTheLastEntryIntoThePlace) {
    FrameDataList list;
    FumaraFrameData* frames[3] = {newFrame("a", 1), newFrame("b", 2), newFrame("c", 3)};
    for (FumaraFrameData* frame : frames)
        list.addReference(frame, false);
    list.releaseReference(frames[0]);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list[0], frames[2]);
    EXPECT_EQ(list[1], frames[1]);
}

TEST(FrameDataArray, ForceNewAppendsWithoutLookingUp) {
    FrameDataList list;
    FumaraFrameData* frame = newFrame("a", 1);
    frame->refCount = 5;
    list.addReference(frame, true);
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(frame->refCount, 1);
}

TEST(FrameDataArray, UnloadReportsFramesNotReleasedLastFirst) {
    LogCapture log;
    {
        FrameDataList list;
        FumaraFrameData* first = newFrame("a", 11);
        FumaraFrameData* second = newFrame("b", 22);
        list.addReference(first, false);
        list.addReference(second, false);
        list.addReference(second, false);
    }
    const std::string text = log.text();
    const size_t second = text.find("Fumara cache file not released 22 ref:2\n");
    const size_t first = text.find("Fumara cache file not released 11 ref:1\n");
    ASSERT_NE(second, std::string::npos) << text;
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_LT(second, first);
}

TEST(FrameDataArray, LibraryFunctionsUseTheLibraryList) {
    FumaraFrameData* frame = newFrame("lib", 1);
    const int before = FumaraFrame::FrameDataArray.count();
    EXPECT_EQ(FumaraFrame::AddFrameReference(frame, false), frame);
    EXPECT_EQ(FumaraFrame::FrameDataArray.count(), before + 1);
    FumaraFrame::ReleaseFrameReference(frame);
    EXPECT_EQ(FumaraFrame::FrameDataArray.count(), before);
}
