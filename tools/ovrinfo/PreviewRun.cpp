#include "tools/ovrinfo/PreviewRun.h"

#include "tools/ovrinfo/ContactSheet.h"
#include "tools/ovrinfo/FrameFiles.h"
#include "tools/ovrinfo/FramePreview.h"
#include "tools/ovrinfo/PngFile.h"
#include "utils/FrameName.h"

#include <cstdio>
#include <new>

namespace OvrInfo {
namespace {

char axisName(ViewAxis axis) { return axis == ViewAxis::X ? 'x' : axis == ViewAxis::Y ? 'y' : 'z'; }

// The picture to write: the frame's own, or the sheet of every frame; false with error set.
bool drawPicture(const std::string& input, ViewAxis axis, RgbImage& picture, size_t& frames, std::string& error) {
    const std::vector<FrameFile> files = findFrameFiles(input);
    if (files.empty()) {
        error = "no frame files match " + input;
        return false;
    }
    frames = files.size();
    if (!hasFrameNumberPattern(input.c_str())) return previewFrame(files.front().path, axis, picture, error);
    std::vector<RgbImage> tiles(files.size());
    for (size_t f = 0; f < files.size(); ++f) {
        if (!previewFrame(files[f].path, axis, tiles[f], error)) return false;
        tiles[f] = shrinkToFit(tiles[f], SheetTileLimit);
    }
    picture = layContactSheet(tiles);
    return true;
}

}  // namespace

int runPreview(const InfoOptions& options) {
    RgbImage picture;
    size_t frames = 0;
    std::string error;
    bool written = false;
    try {
        written = drawPicture(options.inputs.front(), options.axis, picture, frames, error) &&
                  writePng(options.preview, picture, error);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
    }
    if (!written) {
        std::fprintf(stderr, "ovrinfo: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %d x %d pixels, %zu frame%s seen along %c\n", options.preview.c_str(), picture.width,
                picture.height, frames, frames == 1 ? "" : "s", axisName(options.axis));
    return 0;
}

}  // namespace OvrInfo
