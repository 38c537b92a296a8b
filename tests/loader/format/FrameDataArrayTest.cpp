// Sharing frames: the list, the reference counts, their log lines and the report at unload.
#include "FormatTestSupport.h"

#include "loader/format/FrameDataArray.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace FormatTest;
using FumaraFrame::FrameDataList;

namespace {

FumaraFrameData* newFrame(const char* path, int frameNumber, bool headerOnly = false) {
    auto* frame = new FumaraFrameData;
    frame->reset(headerOnly);
    frame->path = path;
    frame->description.frameNumber = frameNumber;
    return frame;
}

std::string line(const char* change, const FumaraFrameData* frame, int count, int headerOnly) {
    char text[256];
    snprintf(text, sizeof text, "FumaraFrameData refCount%s %08X %d, I:%d, %s\n", change,
             static_cast<unsigned>(reinterpret_cast<uintptr_t>(frame)), count, headerOnly, frame->path.c_str());
    return text;
}

}  // namespace

TEST(FrameDataArray, ReferencesAreCountedAndLogged) {
    LogCapture log;
    FrameDataList list;
    FumaraFrameData* frame = newFrame("/caches/a.ovr", 1);
    FumaraFrameData* headerOnly = newFrame("h.ovr", 2, true);
    EXPECT_EQ(list.addReference(frame, false), frame);
    std::string expected = line("=1", frame, 1, 0);
    EXPECT_EQ(list.addReference(frame, false), frame);
    expected += line("++", frame, 2, 0);
    list.addReference(headerOnly, false);
    expected += line("=1", headerOnly, 1, 1);
    EXPECT_EQ(frame->refCount, 2);
    EXPECT_EQ(list.count(), 2);
    expected += line("--", frame, 1, 0);
    list.releaseReference(frame);
    expected += line("--", frame, 0, 0);
    list.releaseReference(frame);
    // The released frame's place goes to the last entry.
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list[0], headerOnly);
    // The frame is gone: releasing it again finds nothing and does nothing.
    list.releaseReference(frame);
    list.releaseReference(nullptr);
    EXPECT_EQ(list.addReference(nullptr, false), nullptr);
    EXPECT_EQ(log.text(), expected);
    // A frame added as new starts its count again.
    FumaraFrameData* forced = newFrame("f.ovr", 3);
    forced->refCount = 5;
    list.addReference(forced, true);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(forced->refCount, 1);
}

TEST(FrameDataArray, UnloadReportsFramesNotReleasedLastFirst) {
    auto list = std::make_unique<FrameDataList>();
    std::string expected;
    // More frames than the list first has room for.
    for (int number = 1; number <= 20; ++number) {
        FumaraFrameData* frame = newFrame("a", number);
        for (int reference = 0; reference <= number % 3; ++reference) list->addReference(frame, false);
        expected = "Fumara cache file not released " + std::to_string(number) + " ref:" +
                   std::to_string(number % 3 + 1) + "\n" + expected;
    }
    LogCapture log;
    list.reset();
    EXPECT_EQ(log.text(), expected);
}
