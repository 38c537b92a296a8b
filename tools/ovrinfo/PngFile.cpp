#include "tools/ovrinfo/PngFile.h"

#include "utils/AtomicFile.h"

#include <png.h>

#include <vector>

namespace OvrInfo {

// libpng's simplified interface writes into a memory buffer and reports its errors as a result
// and a message (freeing its own state on failure), so no libpng error jump crosses C++ frames.
bool writePng(const std::string& path, const RgbImage& picture, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(picture.width);
    image.height = png_uint_32(picture.height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    std::vector<uint8_t> bytes;
    if (png_image_write_get_memory_size(image, size, 0, picture.pixels.data(), 0, nullptr)) {
        bytes.resize(size);
        png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.pixels.data(), 0, nullptr);
    }
    if (PNG_IMAGE_FAILED(image)) {
        error = std::string("cannot encode the picture: ") + image.message;
        return false;
    }
    if (!FMRUtils::writeFileAtomically(path, bytes.data(), size)) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace OvrInfo
