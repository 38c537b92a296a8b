// The exported functions that create and release frames, report the version and make the
// built-in thread manager. Linked into the library and into the converter.
#include "loader/api/IOvr.h"

#include "loader/api/DefaultChannelMappings.h"
#include "loader/api/UnlistedFrames.h"
#include "loader/format/FrameDataArray.h"
#include "loader/format/FumaraFrameData.h"
#include "utils/Allocation.h"
#include "utils/FileQueries.h"

#include <memory>
#include <string>

namespace {

constexpr unsigned int VersionNumber = 201216;
constexpr OvrInt64 NoVoxelLimit = -1;

// The listed frame loaded from the same, unchanged file with the same mappings, or null.
FumaraFrameData* findSharedFrame(const char* path, const std::string& mappings) {
    const int64_t fileTime = getFileModificationTime(path);
    const FumaraFrame::FrameDataList& frames = FumaraFrame::FrameDataArray;
    for (int i = 0; i < frames.count(); ++i) {
        FumaraFrameData* frame = frames[i];
        if (frame->path == path && frame->mappings == mappings && frame->fileTime == fileTime) return frame;
    }
    return nullptr;
}

// The listed frame at that address, or null; the address is not dereferenced.
FumaraFrameData* findListedFrame(const IOvr* address) {
    const FumaraFrame::FrameDataList& frames = FumaraFrame::FrameDataArray;
    for (int i = 0; i < frames.count(); ++i)
        if (static_cast<const IOvr*>(frames[i]) == address) return frames[i];
    return nullptr;
}

std::string defaultMappings(const char* path) {
    return CacheIO::generateDefaultChannelMappings(path);
}

} // namespace

unsigned int FumaraSDKGetVersionNumber() {
    return VersionNumber;
}

IOvr* newIOvr(const char* path) {
    try {
        return newIOvrWithChannelsMappingMaxVox(path, defaultMappings(path).c_str(), NoVoxelLimit, false);
    } catch (...) {
        return nullptr;
    }
}

IOvr* newIOvrMaxVox(const char* path, OvrInt64 voxelLimit, bool headerOnly) {
    try {
        return newIOvrWithChannelsMappingMaxVox(path, defaultMappings(path).c_str(), voxelLimit, headerOnly);
    } catch (...) {
        return nullptr;
    }
}

IOvr* newIOvrWithChannelsMapping(const char* path, const char* channelMappings) {
    return newIOvrWithChannelsMappingMaxVox(path, channelMappings, NoVoxelLimit, false);
}

IOvr* newIOvrWithChannelsMappingMaxVox(const char* path, const char* channelMappings, OvrInt64 voxelLimit,
                                       bool headerOnly) {
    // An empty path fails in the load with its code; a null one has nothing to load either.
    if (!path) return nullptr;
    try {
        const std::string mappings = channelMappings ? channelMappings : "";
        const bool shared = voxelLimit == NoVoxelLimit && !headerOnly;
        if (shared) {
            if (FumaraFrameData* frame = findSharedFrame(path, mappings))
                return FumaraFrame::AddFrameReference(frame, false);
        }

        FumaraFrameData* created = nullptr;
        if (!FMRUtils::newObject(created)) return nullptr;
        std::unique_ptr<FumaraFrameData> frame(created);
        if (frame->load(path, mappings.c_str(), 0.0, voxelLimit, headerOnly) != 0) return nullptr;
        frame->mappings = mappings;
        if (shared) {
            FumaraFrame::AddFrameReference(frame.get(), false);
            if (FumaraFrame::FrameDataArray.find(frame.get()) >= 0) return frame.release();
            // A frame the array cannot take (out of memory) is still the host's, as an unshared one.
        }
        if (CacheIO::unlistedFrames().add(frame.get())) return frame.release();
        return nullptr;
    } catch (...) {
        return nullptr;
    }
}

void deleteIOvr(IOvr* frame) {
    if (!frame) return;
    if (FumaraFrameData* listed = findListedFrame(frame)) {
        FumaraFrame::ReleaseFrameReference(listed);
        return;
    }
    CacheIO::UnlistedFrames& unlisted = CacheIO::unlistedFrames();
    if (FumaraFrameData* held = unlisted.find(frame)) unlisted.destroy(held);
}
