#include "python/module/SharedArrays.h"

namespace py = pybind11;

namespace FumaraPython {

py::array sharedArray(const py::dtype& type, const std::vector<py::ssize_t>& shape, const void* data,
                      std::shared_ptr<const void> owner) {
    auto held = std::make_unique<std::shared_ptr<const void>>(std::move(owner));
    const py::capsule base(held.get(),
                           [](void* pointer) { delete static_cast<std::shared_ptr<const void>*>(pointer); });
    held.release();  // the capsule owns it now
    // With a base, pybind11 wraps data instead of copying it.
    return readOnly(py::array(type, shape, data, base));
}

py::array readOnly(py::array array) {
    array.attr("setflags")(py::arg("write") = false);
    return array;
}

}  // namespace FumaraPython
