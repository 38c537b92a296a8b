// The frames that the library created but does not share: those loaded with a voxel limit or
// header-only. They never enter the frame data array; this list keeps them so that deleteIOvr
// can destroy them and the library's unload can free those that a host never released.
#pragma once

#include "utils/FmrArray.h"

class FumaraFrameData;
class IOvr;

namespace CacheIO {

class UnlistedFrames {
public:
    UnlistedFrames() = default;
    // Destroys every frame still held, logging "Fumara cache file not released %d ref:%d\n" with
    // the frame number and a reference count of 0 for each.
    ~UnlistedFrames();
    UnlistedFrames(const UnlistedFrames&) = delete;
    UnlistedFrames& operator=(const UnlistedFrames&) = delete;

    // Takes ownership of frame; false (ownership not taken) when the list cannot grow.
    bool add(FumaraFrameData* frame);
    // The held frame at that address, or null; the address itself is never dereferenced.
    FumaraFrameData* find(const IOvr* frame) const;
    // Destroys a held frame and forgets it.
    void destroy(FumaraFrameData* frame);

    int count() const { return frames_.count(); }

private:
    FMRUtils::FmrArray<FumaraFrameData*> frames_;
};

// The library-wide list.
UnlistedFrames& unlistedFrames();

} // namespace CacheIO
