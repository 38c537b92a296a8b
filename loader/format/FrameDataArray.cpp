#include "loader/format/FrameDataArray.h"

#include "utils/Log.h"

#include <cstdint>
#include <new>
#include <utility>

namespace FumaraFrame {

namespace {

void logReference(const char* format, const FumaraFrameData* frame) {
    const unsigned address = static_cast<unsigned>(reinterpret_cast<uintptr_t>(frame));
    const int headerOnly = frame->description.headerOnly() ? 1 : 0;
    logMessage(format, address, frame->refCount, headerOnly, frame->path.c_str());
}

}  // namespace

FrameDataList FrameDataArray;

FrameDataList::~FrameDataList() {
    for (int index = count() - 1; index >= 0; --index) {
        FumaraFrameData* frame = frames_[index];
        logMessage("Fumara cache file not released %d ref:%d\n", frame->description.frameNumber, frame->refCount);
        delete frame;
    }
}

int FrameDataList::find(const FumaraFrameData* frame) const {
    for (int index = 0; index < count(); ++index) {
        if (frames_[index] == frame)
            return index;
    }
    return -1;
}

FumaraFrameData* FrameDataList::addReference(FumaraFrameData* frame, bool forceNew) {
    if (!frame)
        return nullptr;
    if (!forceNew && find(frame) >= 0) {
        ++frame->refCount;
        logReference("FumaraFrameData refCount++ %08X %d, I:%d, %s\n", frame);
        return frame;
    }
    // A frame that cannot be listed stays unshared: its holder releases it as an unlisted frame.
    if (!append(frame))
        return frame;
    frame->refCount = 1;
    logReference("FumaraFrameData refCount=1 %08X %d, I:%d, %s\n", frame);
    return frame;
}

void FrameDataList::releaseReference(FumaraFrameData* frame) {
    const int index = frame ? find(frame) : -1;
    if (index < 0)
        return;
    --frame->refCount;
    logReference("FumaraFrameData refCount-- %08X %d, I:%d, %s\n", frame);
    if (frame->refCount > 0)
        return;
    delete frame;
    frames_.Remove(index, 1, false, true);
}

bool FrameDataList::append(FumaraFrameData* frame) {
    if (frames_.count() < frames_.capacity())
        return frames_.Append(frame);
    // A failed reallocation would empty the list itself, so the larger list is made beside it.
    FMRUtils::FmrArray<FumaraFrameData*> grown;
    if (!grown.SetSize(frames_.count() + 1))
        return false;
    for (int index = 0; index < frames_.count(); ++index)
        grown[index] = frames_[index];
    grown[frames_.count()] = frame;
    frames_.~FmrArray();
    new (&frames_) FMRUtils::FmrArray<FumaraFrameData*>(std::move(grown));
    return true;
}

FumaraFrameData* AddFrameReference(FumaraFrameData* frame, bool forceNew) {
    return FrameDataArray.addReference(frame, forceNew);
}

void ReleaseFrameReference(FumaraFrameData* frame) {
    FrameDataArray.releaseReference(frame);
}

}  // namespace FumaraFrame
