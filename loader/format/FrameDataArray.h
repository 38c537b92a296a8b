// The process-wide list of shared frames and their reference counts.
#pragma once

#include "loader/format/FumaraFrameData.h"
#include "utils/FmrArray.h"

namespace FumaraFrame {

// Owns the frames it lists. Frames are appended; a removed entry is replaced by the last one.
class FrameDataList {
public:
    FrameDataList() = default;
    FrameDataList(const FrameDataList&) = delete;
    FrameDataList& operator=(const FrameDataList&) = delete;
    // Reports every frame still listed ("Fumara cache file not released ..."), last listed first,
    // and destroys it.
    ~FrameDataList();

    // Index of the frame in the list, or -1.
    int find(const FumaraFrameData* frame) const;
    // Without forceNew, a listed frame gains one reference; otherwise (or when not listed) the
    // frame is appended with count 1. Returns the frame (null for null).
    FumaraFrameData* addReference(FumaraFrameData* frame, bool forceNew);
    // One reference less for a listed frame (others are ignored); at 0 the frame is destroyed and
    // unlisted.
    void releaseReference(FumaraFrameData* frame);

    int count() const { return frames_.count(); }
    FumaraFrameData* operator[](int index) const { return frames_[index]; }

private:
    // Appends without losing the listed frames when memory runs out.
    bool append(FumaraFrameData* frame);

    FMRUtils::FmrArray<FumaraFrameData*> frames_;
};

// The list of the library, created when the library is loaded and emptied when it is unloaded.
extern FrameDataList FrameDataArray;

// AddFrameReference and ReleaseFrameReference on FrameDataArray.
FumaraFrameData* AddFrameReference(FumaraFrameData* frame, bool forceNew);
void ReleaseFrameReference(FumaraFrameData* frame);

}  // namespace FumaraFrame
