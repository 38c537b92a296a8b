// fumara.Frame and fumara.open: one loaded cache frame, its grid and its channels as arrays.
#include "converter/FrameTransform.h"
#include "loader/format/FumaraFrameData.h"
#include "python/module/Bindings.h"
#include "python/module/ChannelKeys.h"
#include "python/module/LoaderMessages.h"
#include "python/module/PythonErrors.h"
#include "python/module/SharedArrays.h"

#include <pybind11/numpy.h>

namespace py = pybind11;

namespace FumaraPython {
namespace {

constexpr int ChannelCount = FumaraFrameData::GridChannelCount;
constexpr int64_t NoVoxelLimit = -1;

class Frame {
public:
    Frame(FramePtr frame, std::string path, bool headerOnly)
        : frame_(std::move(frame)), path_(std::move(path)), headerOnly_(headerOnly) {}

    // The frame's data; ValueError once the frame is closed.
    const FramePtr& data() const {
        if (!frame_) throw py::value_error("the frame " + path_ + " is closed");
        return frame_;
    }
    const std::string& path() const { return path_; }
    bool closed() const { return !frame_; }
    void close() { frame_.reset(); }

    py::tuple resolution() const {
        int resolution[3];
        data()->getResolution(resolution);
        return py::make_tuple(resolution[0], resolution[1], resolution[2]);
    }

    // grid = M @ (x, y, z, 1): M = (A^T | o) for the stored map p * A + o on row vectors.
    py::array_t<float> transform() const {
        float stored[12];
        data()->getTransform(stored);
        py::array_t<float> matrix({3, 4});
        auto m = matrix.mutable_unchecked<2>();
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) m(row, column) = stored[3 * column + row];
            m(row, 3) = stored[9 + row];
        }
        return matrix;
    }

    py::array_t<double> indexToWorld() const {
        float stored[12];
        data()->getTransform(stored);
        py::array_t<double> matrix({4, 4});
        if (!indexToWorldMatrix(stored, matrix.mutable_data()))
            throw py::value_error("the transform of " + path_ + " cannot be inverted");
        return matrix;
    }

    py::dict channels() const {
        const FramePtr& frame = data();
        py::dict present;
        for (int channel = 0; channel < ChannelCount; ++channel)
            if (frame->hasChannel(channel)) present[py::str(gridChannelKey(channel))] = channel;
        return present;
    }

    bool holds(int channel) const { return channel >= 0 && channel < ChannelCount && data()->hasChannel(channel); }

    py::array channel(int number, const std::string& key) const {
        // A copy: another thread may close the frame while this one decodes without the lock.
        const FramePtr frame = data();
        if (!holds(number)) throw py::key_error(key);
        if (headerOnly_) throw py::value_error("the frame " + path_ + " was opened header_only: it holds no voxels");
        const float* values = nullptr;
        std::string reason;
        {
            py::gil_scoped_release unlocked;
            LoaderMessages messages;
            values = frame->getChannelData(number);
            if (!values) reason = messages.text();
        }
        if (!values) raiseLoadError(path_, 4, reason.empty() ? "channel " + key + " does not decode" : reason);
        int resolution[3];
        frame->getResolution(resolution);
        return sharedArray(py::dtype::of<float>(), {resolution[2], resolution[1], resolution[0]}, values, frame);
    }

    py::array channelByKey(const std::string& key) const { return channel(gridChannelNumber(key), key); }
    py::array channelByNumber(int number) const { return channel(number, std::to_string(number)); }

    std::string repr() const {
        if (closed()) return "<fumara.Frame " + path_ + " (closed)>";
        return "<fumara.Frame " + path_ + " " + py::str(resolution()).cast<std::string>() + ">";
    }

private:
    FramePtr frame_;
    std::string path_;
    bool headerOnly_;
};

Frame openFrame(const py::object& pathObject, const py::object& mappings, const py::object& maxVoxels,
                bool headerOnly) {
    const std::string path = pathArgument(pathObject);
    const bool mapped = !mappings.is_none();
    const std::string mappingText = mapped ? mappings.cast<std::string>() : std::string();
    const int64_t voxelLimit = maxVoxels.is_none() ? NoVoxelLimit : maxVoxels.cast<int64_t>();
    if (voxelLimit < 0 && voxelLimit != NoVoxelLimit) throw py::value_error("max_voxels must not be negative");
    LoadedFrame loaded;
    {
        py::gil_scoped_release unlocked;
        loaded = loadFrame(path, mapped ? &mappingText : nullptr, voxelLimit, headerOnly);
    }
    if (!loaded.frame) raiseLoadError(path, loaded.code, loaded.reason);
    return Frame(std::move(loaded.frame), path, headerOnly);
}

}  // namespace

std::string pathArgument(const py::object& path) {
    return py::module_::import("os").attr("fspath")(path).cast<std::string>();
}

void bindFrame(py::module_& module) {
    py::class_<Frame>(module, "Frame", R"(One loaded cache frame: a voxel grid of float channels and particle groups.

Made by fumara.open. A frame is a context manager; close() (or leaving the with block) lets go
of its data, but arrays and particle groups taken from it keep the data alive as long as they
live.)")
        .def_property_readonly("path", &Frame::path, "The path the frame was loaded from.")
        .def_property_readonly("closed", &Frame::closed, "Whether close() was called.")
        .def_property_readonly("resolution", &Frame::resolution, "The voxel counts (x, y, z).")
        .def_property_readonly("transform", &Frame::transform,
                               R"(The world-to-grid map as a 3x4 float32 matrix M: a world position p lands at
grid coordinates M @ (p[0], p[1], p[2], 1).)")
        .def_property_readonly("index_to_world", &Frame::indexToWorld,
                               R"(The index-to-world transform as OpenVDB uses it: a 4x4 float64 matrix for row
vectors, world = (i, j, k, 1) @ index_to_world; the same matrix the converter writes.
ValueError when the frame's map cannot be inverted.)")
        .def_property_readonly("channels", &Frame::channels,
                               R"(The grid channels the frame holds: a dict of name -> channel number, such as
{"temperature": 1, "smoke": 2, "speed": 3, "velocity_x": 4, ...}.)")
        .def("__getitem__", &Frame::channelByKey, py::arg("name"))
        .def("__getitem__", &Frame::channelByNumber, py::arg("channel"),
             R"(frame["smoke"] or frame[2]: the channel's voxels as a read-only float32 array of shape
(z, y, x) that shares the loader's memory (no copy). The channel is decoded on first use.
KeyError when the frame does not hold the channel; fumara.LoadError when its data does not decode.)")
        .def("channel", &Frame::channelByNumber, py::arg("number"), "The channel of that number, as frame[number].")
        .def("__contains__", [](const Frame& frame, const std::string& key) { return frame.holds(gridChannelNumber(key)); })
        .def("__contains__", [](const Frame& frame, int number) { return frame.holds(number); })
        .def_property_readonly(
            "groups", [](const Frame& frame) { return particleGroups(frame.data(), frame.path()); },
            "The particle groups that have positions: a dict of name -> fumara.ParticleGroup.")
        .def("close", &Frame::close, "Lets go of the frame's data (arrays already taken stay valid).")
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](Frame& frame, py::args) { frame.close(); })
        .def("__repr__", &Frame::repr);

    module.def("open", &openFrame, py::arg("path"), py::arg("mappings") = py::none(),
               py::arg("max_voxels") = py::none(), py::arg("header_only") = false,
               R"(Loads a cache frame (.ovr) and returns a fumara.Frame.

mappings: a channel mapping string ("2,density;1,temperature;") for foreign volume files; None
uses the default mappings of the path. max_voxels: the voxel limit for foreign files (None: no
limit). header_only: read the frame's description (resolution, transform, channels) without its
voxel data.

Raises fumara.LoadError, carrying the loader's result code and the reason it logged, when the
frame does not load.)");
}

}  // namespace FumaraPython
