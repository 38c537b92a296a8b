// fumara.convert_frame and the frame-numbered file names that sequences and conversions use.
#include "converter/FrameConversion.h"
#include "loader/format/FumaraFrameData.h"
#include "python/module/Bindings.h"
#include "python/module/LoaderMessages.h"
#include "python/module/PythonErrors.h"
#include "tools/ovrinfo/FrameFiles.h"
#include "utils/FrameName.h"

#include <pybind11/stl.h>
#include <tbb/task_arena.h>

namespace py = pybind11;

namespace FumaraPython {
namespace {

constexpr int64_t NoVoxelLimit = -1;

std::string writeFailure(int code) {
    switch (code) {
    case 1:
        return "Unable to expand a source channel";
    case 2:
        return "Unable to write to destination file";
    default:
        return "the writer failed with code " + std::to_string(code);
    }
}

void convertFrame(const py::object& sourceObject, const py::object& destinationObject, const std::string& layout,
                  bool sparse, bool half, int threads) {
    const std::string source = pathArgument(sourceObject);
    const std::string destination = pathArgument(destinationObject);
    VdbOutputOptions options;
    if (!parseVdbLayout(layout.c_str(), options.layout))
        throw py::value_error("unknown layout \"" + layout + "\" (fumara, houdini or blender)");
    options.sparse = sparse;
    options.half = half;
    if (threads < 0) throw py::value_error("threads must be 0 (every core) or more");

    LoadedFrame loaded;
    int written = 0;
    std::string reason;
    {
        py::gil_scoped_release unlocked;
        loaded = loadFrame(source, nullptr, NoVoxelLimit, false);
        if (loaded.frame) {
            LoaderMessages messages;
            // The frame was loaded for this call alone, so its channels can go as their grids fill.
            tbb::task_arena arena(threads > 0 ? threads : static_cast<int>(tbb::task_arena::automatic));
            arena.execute([&] { written = convertOwnFrame(*loaded.frame, destination.c_str(), options); });
            reason = messages.text();
            loaded.frame.reset();
        }
    }
    if (loaded.code != 0) raiseLoadError(source, loaded.code, loaded.reason);
    if (written != 0) raiseConvertError(destination, written, writeFailure(written) + (reason.empty() ? "" : ": " + reason));
}

// (frame number, path) of every file of a frame-numbered pattern on disk, in frame order.
std::vector<std::pair<int, std::string>> frameFiles(const py::object& patternObject) {
    std::vector<std::pair<int, std::string>> files;
    const std::string pattern = pathArgument(patternObject);
    if (!hasFrameNumberPattern(pattern.c_str()))
        throw py::value_error("\"" + pattern + "\" has no frame number placeholder (####, %04d or <frame04>)");
    for (const OvrInfo::FrameFile& file : OvrInfo::findFrameFiles(pattern)) files.emplace_back(file.frame, file.path);
    return files;
}

}  // namespace

void bindConversion(py::module_& module) {
    module.def("convert_frame", &convertFrame, py::arg("src"), py::arg("dst"), py::arg("layout") = "fumara",
               py::arg("sparse") = false, py::arg("half") = false, py::arg("threads") = 0,
               R"(Converts one cache frame into an OpenVDB file with the converter's own writer.

layout: "fumara" (the grids Smoke_fmr, VelocityX_fmr ...), "houdini" or "blender"; sparse: voxels
equal to the background become inactive; half: grids are saved as 16-bit floats; threads: how many
threads build and write the grids (0: every core; 1: the calling thread, as for a farm worker that
has one core). The file is
written under a temporary name and renamed when complete, so dst is complete or untouched.
The interpreter lock is released while the frame loads and the file is written.

Raises fumara.LoadError when src does not load, fumara.ConvertError (code 1: a channel does not
decode, 2: the file cannot be written) when dst is not written, ValueError for an unknown layout.)");

    module.def("frame_path", [](const py::object& pattern, int frame) {
        return expandFrameName(pathArgument(pattern).c_str(), frame, "");
    }, py::arg("pattern"), py::arg("frame"),
               R"(The pattern's name for one frame: each placeholder (####, %04d, <frame04>) replaced by the
number, fire_####.ovr -> fire_0007.ovr.)");

    module.def("frame_files", &frameFiles, py::arg("pattern"),
               R"(The files of a frame-numbered pattern on disk as (frame number, path) pairs, in frame
order. Cache files whose numbers are written without padding count when no padded name matches.
ValueError when the pattern has no placeholder.)");
}

}  // namespace FumaraPython
