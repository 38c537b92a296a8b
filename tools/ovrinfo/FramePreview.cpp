#include "tools/ovrinfo/FramePreview.h"

#include "loader/api/ChannelNames.h"
#include "loader/format/FumaraFrameData.h"
#include "platform/FileSystem.h"
#include "tools/ovrinfo/FrameSummary.h"
#include "tools/ovrinfo/PreviewShading.h"
#include "utils/Allocation.h"

#include <memory>

namespace OvrInfo {
namespace {

constexpr int64_t NoVoxelLimit = -1;
// The fraction of a fire channel's range in the frame above which it shows as flames.
constexpr float FlameThreshold = 0.3f;

// The channel projected along axis (all zeros when the frame lacks it); with hotPart only what
// lies above FlameThreshold of its range counts. False when the frame holds the channel but it
// does not decode.
bool projectChannel(FumaraFrameData& frame, int channel, ViewAxis axis, bool hotPart, Plane& plane,
                    std::string& error) {
    int32_t resolution[3];
    frame.getResolution(resolution);
    if (!frame.hasChannel(channel)) {
        planeSize(resolution, axis, plane.width, plane.height);
        plane.values.assign(size_t(plane.width) * size_t(plane.height), 0.0f);
        return true;
    }
    const float* values = frame.getChannelData(channel);
    if (!values) {
        error = frame.path + ": grid channel " + std::to_string(channel) + " (" + CacheIO::gridChannelName(channel) +
                ") failed to decode";
        return false;
    }
    float floor = 0.0f, maximum = 0.0f;
    if (hotPart) {
        finiteRange(values, frame.voxelCount(), floor, maximum);
        floor = (1.0f - FlameThreshold) * floor + FlameThreshold * maximum;  // cannot overflow
    }
    plane = projectAlong(values, resolution, axis, floor);
    return true;
}

}  // namespace

bool previewFrame(const std::string& path, ViewAxis axis, RgbImage& picture, std::string& error) {
    FumaraFrameData* created = nullptr;
    if (!FMRUtils::newObject(created)) {
        error = "out of memory";
        return false;
    }
    std::unique_ptr<FumaraFrameData> frame(created);
    const int code = frame->load(path.c_str(), "", 0.0, NoVoxelLimit, false);
    if (code != 0) {
        Platform::FileStatus status;
        error = "cannot load " + path + ": " + loadFailureReason(code, Platform::fileStatus(path.c_str(), status));
        return false;
    }
    if (frame->voxelCount() <= 0) {
        error = path + ": the frame has no voxels to picture";
        return false;
    }
    const int fireChannel = frame->hasChannel(CacheIO::ChannelTemperature) ? CacheIO::ChannelTemperature : CacheIO::ChannelFuel;
    Plane smoke, fire;
    if (!projectChannel(*frame, CacheIO::ChannelSmoke, axis, false, smoke, error) ||
        !projectChannel(*frame, fireChannel, axis, true, fire, error))
        return false;
    picture = shadePreview(smoke, fire);
    return true;
}

}  // namespace OvrInfo
