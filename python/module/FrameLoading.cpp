#include "python/module/FrameLoading.h"

#include "loader/api/DefaultChannelMappings.h"
#include "loader/format/FumaraFrameData.h"
#include "platform/FileSystem.h"
#include "python/module/LoaderMessages.h"
#include "utils/Allocation.h"
#include "utils/FrameName.h"

namespace FumaraPython {

LoadedFrame loadFrame(const std::string& path, const std::string* mappings, int64_t voxelLimit, bool headerOnly) {
    LoadedFrame result;
    LoaderMessages messages;
    FumaraFrameData* created = nullptr;
    if (FMRUtils::newObject(created)) {
        FramePtr frame(created);
        const std::string channelMappings =
            mappings ? *mappings : CacheIO::generateDefaultChannelMappings(path.c_str());
        result.code = frame->load(path.c_str(), channelMappings.c_str(), 0.0, voxelLimit, headerOnly);
        if (result.code == 0) result.frame = std::move(frame);
    } else {
        result.code = -1;
    }
    if (result.code != 0) {
        result.reason = messages.text();
        if (result.reason.empty()) result.reason = describeLoadCode(result.code, path);
    }
    return result;
}

std::string describeLoadCode(int code, const std::string& path) {
    switch (code) {
    case -1:
        return "out of memory";
    case 2:
        return "the plug-in for this file type is not loaded";
    case 3: {
        const std::string extension = getFileExtension(path.c_str());
        if (extension != "ovr" && extension != "vdb" && extension != "f3d")
            return "unknown file extension \"" + extension + "\"";
        Platform::FileStatus status;
        if (!Platform::fileStatus(path.c_str(), status)) return "no such file";
        return "cannot open or lock the file";
    }
    case 4:
        return "broken file";
    case 9:
        return "no channel mappings for this file";
    case 12:
        return "the file has no footer";
    default:
        return "load failed";
    }
}

}  // namespace FumaraPython
