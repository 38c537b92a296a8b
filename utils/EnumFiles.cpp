#include "utils/EnumFiles.h"

#include "utils/FileList.h"
#include "utils/FrameName.h"

#include <cstdint>
#include <cstdlib>

namespace FumaraEnum {

EnumFiles::~EnumFiles() = default;

void EnumFiles::onEnumBegin(const char*, int)
{
}

void EnumFiles::onFrameFile(int frame, const char* path)
{
    if (frame == kNoFrame)
        return;
    const bool holding = !foundPath.empty();
    if (exact) {
        if (frame != targetFrame)
            return;
    } else if (holding) {
        const int64_t distance = std::llabs(int64_t(frame) - targetFrame);
        const int64_t heldDistance = std::llabs(int64_t(foundFrame) - targetFrame);
        if (distance >= heldDistance)
            return;  // on a tie the first found stays
    }
    if (holding && frame == foundFrame)
        return;
    foundFrame = frame;
    foundPath = path;
}

void EnumFiles::offerMatchingFiles(const FileList& files, const std::string& pattern, int mode)
{
    for (int i = 0; i < files.count(); ++i) {
        const char* file = files.name(i);
        const int frame = parseFrameNumber(file);
        if (mode != modeAllFiles && expandFrameName(pattern.c_str(), frame, "") != file)
            continue;
        onFrameFile(frame, file);
    }
}

int EnumFiles::enumerateFrameFiles(const char* pattern, int mode)
{
    if (!pattern)
        return 0;
    onEnumBegin(pattern, mode);
    FileList files;

    if (!hasFrameNumberPattern(pattern)) {
        files.list(pattern);
        foundPath.clear();
        if (files.count() == 0)
            return 0;
        foundPath = pattern;
        const std::string path = foundPath;  // onFrameFile may replace foundPath
        onFrameFile(kNoFrame, path.c_str());
        return 1;
    }

    const std::string search = mode == modeTargetFrame ? expandFrameName(pattern, targetFrame, "")
                                                       : expandFrameName(pattern, kNoFrame, "*");
    files.list(search.c_str());
    foundPath.clear();
    if (files.count() == 0 && mode != modeTargetFrame)
        return 0;
    if (files.count() == 1)
        onFrameFile(targetFrame, files.name(0));
    else
        offerMatchingFiles(files, pattern, mode);

    if (foundPath.empty() && getFileExtension(pattern) == "ovr") {
        // Cache files may carry their frame numbers without padding: every placeholder becomes a
        // single "#", which takes a number of any length.
        std::string marker = expandFrameName(pattern, kNoFrame, "#");
        if (mode == modeTargetFrame)
            marker = expandFrameName(marker.c_str(), targetFrame, "");
        offerMatchingFiles(files, marker, mode);
    }
    return 1;
}

}  // namespace FumaraEnum
