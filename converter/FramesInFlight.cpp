#include "converter/FramesInFlight.h"

#include "loader/api/ChannelNames.h"
#include "loader/format/FumaraFrameData.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdint>
#include <memory>

int framesInFlight(int threads, int processors, int64_t frameBytes, int64_t availableBytes) {
    int64_t frames = threads > 0 ? threads : processors;
    if (frameBytes > 0 && availableBytes > 0) frames = std::min(frames, availableBytes / 5 * 4 / frameBytes);
    return static_cast<int>(std::max<int64_t>(1, frames));
}

int64_t frameConversionBytes(const char* source) {
    std::unique_ptr<FumaraFrameData> frame(new (std::nothrow) FumaraFrameData());
    if (!frame || frame->load(source, "", 0.0, -1, true) != 0) return 0;
    const int64_t voxels = frame->voxelCount();
    if (voxels <= 0) return 0;
    int64_t grids = 0;
    for (int channel = 0; channel < CacheIO::GridChannelCount; ++channel)
        if (CacheIO::gridChannelName(channel) && frame->hasChannel(channel)) ++grids;
    Platform::FileStatus status;
    const int64_t fileBytes = Platform::fileStatus(source, status) ? status.size : 0;
    const int64_t perVoxel = static_cast<int64_t>(sizeof(float)) * (grids + 3);
    if (voxels > (INT64_MAX - fileBytes) / perVoxel) return 0;
    return voxels * perVoxel + fileBytes;
}
