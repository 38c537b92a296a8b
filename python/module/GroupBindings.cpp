// fumara.ParticleGroup: one named particle group of a frame, its channels as arrays.
#include "loader/format/ParticleGroup.h"
#include "python/module/Bindings.h"
#include "python/module/ChannelKeys.h"
#include "python/module/LoaderMessages.h"
#include "python/module/PythonErrors.h"
#include "python/module/SharedArrays.h"

#include <pybind11/numpy.h>

namespace py = pybind11;
using CacheIO::ParticleChannelCount;

namespace FumaraPython {
namespace {

using Group = FumaraFrameData::PGroup;
using GroupPtr = std::shared_ptr<Group>;

// Value types of the particle channels by their type code.
constexpr int FloatType = 10;
constexpr int IdType = 7;
constexpr int IntegerType = 6;

py::dtype channelType(int channel) {
    switch (CacheIO::particleChannelType(channel)) {
    case FloatType:
        return py::dtype::of<float>();
    case IdType:
        return py::dtype::of<int64_t>();
    case IntegerType:
        return py::dtype::of<int32_t>();
    default:
        return py::dtype::of<uint32_t>();  // the raw words of channels the library does not define
    }
}

class ParticleGroup {
public:
    ParticleGroup(GroupPtr group, std::string path) : group_(std::move(group)), path_(std::move(path)) {}

    std::string name() const { return group_->getName(); }
    int count() const { return group_->getCount(); }

    bool holds(int channel) const {
        return channel >= 0 && channel < ParticleChannelCount && CacheIO::particleChannelWords(channel) > 0 &&
               group_->hasChannel(channel);
    }

    py::dict channels() const {
        py::dict present;
        for (int channel = 0; channel < ParticleChannelCount; ++channel)
            if (holds(channel)) present[py::str(particleChannelKey(channel))] = channel;
        return present;
    }

    py::array channel(int number, const std::string& key) const {
        if (!holds(number)) throw py::key_error(key);
        const py::dtype type = channelType(number);
        const py::ssize_t particles = count();
        const py::ssize_t perParticle = 4 * CacheIO::particleChannelWords(number) / type.itemsize();
        std::vector<py::ssize_t> shape{particles};
        if (perParticle > 1) shape.push_back(perParticle);
        if (particles == 0) return readOnly(py::array(type, shape));
        if (group_->record(number).present.load()) return stored(number, key, type, shape);
        return derived(number, key, shape);
    }

    py::array channelByKey(const std::string& key) const { return channel(particleChannelNumber(key), key); }
    py::array channelByNumber(int number) const { return channel(number, std::to_string(number)); }

    py::object find(long long id) const {
        const int index = group_->findParticleById(id);
        return index < 0 ? py::object(py::none()) : py::object(py::int_(index));
    }

    std::string repr() const {
        return "<fumara.ParticleGroup " + name() + ": " + std::to_string(count()) + " particles>";
    }

private:
    [[noreturn]] void fail(const std::string& key, const std::string& reason) const {
        raiseLoadError(path_, 4,
                       reason.empty() ? "particle channel " + key + " of group " + name() + " does not decode" : reason);
    }

    // Data the file holds: decoded once, then shared.
    py::array stored(int number, const std::string& key, const py::dtype& type,
                     const std::vector<py::ssize_t>& shape) const {
        bool decoded = false;
        std::string reason;
        {
            py::gil_scoped_release unlocked;
            LoaderMessages messages;
            decoded = group_->decompressChannel(number, true) && group_->decodedParticles(number) >= shape[0];
            if (!decoded) reason = messages.text();
        }
        if (!decoded) fail(key, reason);
        return sharedArray(type, shape, group_->record(number).decoded.data(), group_);
    }

    // Velocities that a group takes from the frame's grid exist only per particle: a copy.
    py::array derived(int number, const std::string& key, const std::vector<py::ssize_t>& shape) const {
        py::array_t<float> values(shape);
        float* out = values.mutable_data();
        const int stride = CacheIO::particleChannelWords(number);
        bool complete = true;
        std::string reason;
        {
            py::gil_scoped_release unlocked;
            LoaderMessages messages;
            for (py::ssize_t particle = 0; complete && particle < shape[0]; ++particle)
                complete = group_->getParticleValue(static_cast<int>(particle), number, out + particle * stride) != 0;
            if (!complete) reason = messages.text();
        }
        if (!complete) fail(key, reason);
        return readOnly(values);
    }

    GroupPtr group_;  // shares ownership of the frame
    std::string path_;
};

}  // namespace

py::dict particleGroups(const FramePtr& frame, const std::string& path) {
    py::dict groups;
    const int count = frame->getParticleGroupCount();
    for (int index = 0; index < count; ++index) {
        auto* group = static_cast<Group*>(frame->getParticleGroup(index));
        const py::str name(group->getName());
        if (!groups.contains(name)) groups[name] = ParticleGroup(GroupPtr(frame, group), path);
    }
    return groups;
}

void bindParticleGroup(py::module_& module) {
    py::class_<ParticleGroup>(module, "ParticleGroup", R"(One named particle group of a frame (see Frame.groups).

Its channels come as read-only arrays that share the loader's memory, one row per particle. The
group keeps its frame's data alive.)")
        .def_property_readonly("name", &ParticleGroup::name, "The group's name.")
        .def("__len__", &ParticleGroup::count, "The number of particles.")
        .def_property_readonly("channels", &ParticleGroup::channels,
                               R"(The particle channels the group holds: a dict of name -> channel number
({"position": 0, "velocity": 1, "id": 10, ...}).)")
        .def("__getitem__", &ParticleGroup::channelByKey, py::arg("name"))
        .def("__getitem__", &ParticleGroup::channelByNumber, py::arg("channel"),
             R"(group["velocity"] or group[1]: the channel's values, float32 (n, 3) for positions and
velocities, float32 (n,) for other float channels, int64 (n,) for the ids, int32 (n,) for the
integer-coded channels 12 to 16. Stored channels share the loader's memory; velocities that the
group takes from the frame's grid are computed into a new array. KeyError when the group does
not hold the channel; fumara.LoadError when its data does not decode.)")
        .def("__contains__", [](const ParticleGroup& group, const std::string& key) {
            return group.holds(particleChannelNumber(key));
        })
        .def("__contains__", [](const ParticleGroup& group, int number) { return group.holds(number); })
        .def_property_readonly(
            "positions", [](const ParticleGroup& group) { return group.channelByKey("position"); },
            "The positions in voxel coordinates of the frame's grid: float32 (n, 3).")
        .def_property_readonly(
            "ids", [](const ParticleGroup& group) { return group.channelByKey("id"); }, "The particle ids: int64 (n,).")
        .def("find", &ParticleGroup::find, py::arg("id"),
             "The index of the particle with that id, or None when the group has none (or no ids).")
        .def("__repr__", &ParticleGroup::repr);
}

}  // namespace FumaraPython
