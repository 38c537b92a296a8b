#include "tools/ovrinfo/FrameFiles.h"

#include "utils/EnumFiles.h"
#include "utils/FrameName.h"

#include <algorithm>
#include <cstdint>

namespace OvrInfo {
namespace {

// Collects every file the enumeration accepts. Holding a path tells the enumeration that the
// padded names matched, so it only falls back to unpadded ones when none did.
class FrameCollector : public FumaraEnum::EnumFiles {
public:
    void onFrameFile(int, const char* path) override {
        paths.emplace_back(path);
        foundPath = path;
    }
    std::vector<std::string> paths;
};

// Whether path is the pattern's name for its own frame number, padded or (for caches) not.
bool namesFrame(const std::string& pattern, int frame, const std::string& path) {
    if (expandFrameName(pattern.c_str(), frame, "") == path) return true;
    if (getFileExtension(pattern.c_str()) != "ovr") return false;
    const std::string unpadded = expandFrameName(pattern.c_str(), kNoFrame, "#");
    return expandFrameName(unpadded.c_str(), frame, "") == path;
}

void appendRange(std::string& text, int64_t first, int64_t last) {
    if (!text.empty()) text += ", ";
    text += std::to_string(first);
    if (last > first) text += "-" + std::to_string(last);
}

}  // namespace

std::vector<FrameFile> findFrameFiles(const std::string& argument) {
    if (!hasFrameNumberPattern(argument.c_str())) return {{parseFrameNumber(argument.c_str()), argument}};

    // Any mode other than "all files" or "target frame" accepts exact names only.
    const int exactNames = -1;
    FrameCollector collector;
    collector.enumerateFrameFiles(argument.c_str(), exactNames);

    std::vector<FrameFile> files;
    for (const std::string& path : collector.paths) {
        const int frame = parseFrameNumber(path.c_str());
        // A single match is offered without the name check; make it here for every file.
        if (frame != kNoFrame && namesFrame(argument, frame, path)) files.push_back({frame, path});
    }
    std::sort(files.begin(), files.end(), [](const FrameFile& a, const FrameFile& b) {
        return a.frame != b.frame ? a.frame < b.frame : a.path < b.path;
    });
    files.erase(std::unique(files.begin(), files.end(),
                            [](const FrameFile& a, const FrameFile& b) { return a.path == b.path; }),
                files.end());
    return files;
}

std::string missingFrames(const std::vector<FrameFile>& files) {
    std::string text;
    for (size_t i = 1; i < files.size(); ++i) {
        const int64_t previous = files[i - 1].frame, next = files[i].frame;
        if (previous == kNoFrame || next == kNoFrame) continue;
        if (next > previous + 1) appendRange(text, previous + 1, next - 1);
    }
    return text;
}

}  // namespace OvrInfo
