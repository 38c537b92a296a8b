// The parts of the _fumara extension module, each adding its classes and functions.
#pragma once

#include "python/module/FrameLoading.h"

#include <pybind11/pybind11.h>

#include <string>

namespace FumaraPython {

void bindFrame(pybind11::module_& module);
void bindParticleGroup(pybind11::module_& module);
void bindConversion(pybind11::module_& module);

// The Python object for every particle group of a frame that has positions, by name (the first
// of a name wins). Each keeps the frame's data alive.
pybind11::dict particleGroups(const FramePtr& frame, const std::string& path);

// A path argument (str or os.PathLike) as text.
std::string pathArgument(const pybind11::object& path);

}  // namespace FumaraPython
