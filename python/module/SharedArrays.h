// numpy arrays over memory that the loader owns.
#pragma once

#include <pybind11/numpy.h>

#include <memory>
#include <vector>

namespace FumaraPython {

// A read-only, C-ordered array of the given type and shape over data, without a copy. The array's
// base holds a reference to owner, which keeps data valid for as long as the array (or any view
// of it) lives.
pybind11::array sharedArray(const pybind11::dtype& type, const std::vector<pybind11::ssize_t>& shape,
                            const void* data, std::shared_ptr<const void> owner);

// Marks a freshly made array read-only and returns it.
pybind11::array readOnly(pybind11::array array);

}  // namespace FumaraPython
