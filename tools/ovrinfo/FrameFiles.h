// The frame files that a command-line argument names: one file, or every frame of a pattern.
#pragma once

#include <string>
#include <vector>

namespace OvrInfo {

struct FrameFile {
    int frame = 0;  // kNoFrame when the name carries no number
    std::string path;
};

// For a pattern with a frame placeholder (such as plume_####.ovr), the files on disk that match it,
// in frame order; cache files whose numbers are written without padding are accepted when no padded
// file matches. For any other argument, that path alone (whether it exists or not).
std::vector<FrameFile> findFrameFiles(const std::string& argument);

// The frame numbers missing between the first and the last file, as "5, 7-9"; empty when the
// numbers run without gaps.
std::string missingFrames(const std::vector<FrameFile>& files);

}  // namespace OvrInfo
