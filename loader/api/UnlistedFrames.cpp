#include "loader/api/UnlistedFrames.h"

#include "loader/format/FumaraFrameData.h"
#include "utils/Log.h"

namespace CacheIO {

UnlistedFrames::~UnlistedFrames() {
    for (int i = frames_.count() - 1; i >= 0; --i) {
        logMessage("Fumara cache file not released %d ref:%d\n", frames_[i]->description.frameNumber, 0);
        delete frames_[i];
    }
}

bool UnlistedFrames::add(FumaraFrameData* frame) {
    return frames_.Append(frame);
}

FumaraFrameData* UnlistedFrames::find(const IOvr* frame) const {
    for (int i = 0; i < frames_.count(); ++i)
        if (static_cast<const IOvr*>(frames_[i]) == frame) return frames_[i];
    return nullptr;
}

void UnlistedFrames::destroy(FumaraFrameData* frame) {
    for (int i = 0; i < frames_.count(); ++i) {
        if (frames_[i] != frame) continue;
        frames_.Remove(i, 1, false, true);
        delete frame;
        return;
    }
}

UnlistedFrames& unlistedFrames() {
    static UnlistedFrames frames;
    return frames;
}

} // namespace CacheIO
