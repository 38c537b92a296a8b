// Raising the package's own exceptions (defined in fumara/_errors.py) from C++.
#pragma once

#include <string>

namespace FumaraPython {

// Throw pybind11::error_already_set with fumara.LoadError(path, code, reason) or
// fumara.ConvertError(path, code, reason) set. The interpreter lock must be held.
[[noreturn]] void raiseLoadError(const std::string& path, int code, const std::string& reason);
[[noreturn]] void raiseConvertError(const std::string& path, int code, const std::string& reason);

}  // namespace FumaraPython
