#include "python/module/PythonErrors.h"

#include <pybind11/pybind11.h>

namespace py = pybind11;

namespace FumaraPython {
namespace {

[[noreturn]] void raise(const char* name, const std::string& path, int code, const std::string& reason) {
    const py::object type = py::module_::import("fumara._errors").attr(name);
    const py::object error = type(path, code, reason);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

}  // namespace

void raiseLoadError(const std::string& path, int code, const std::string& reason) {
    raise("LoadError", path, code, reason);
}

void raiseConvertError(const std::string& path, int code, const std::string& reason) {
    raise("ConvertError", path, code, reason);
}

}  // namespace FumaraPython
