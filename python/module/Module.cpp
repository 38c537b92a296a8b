// The extension module fumara._fumara; the package fumara re-exports it (fumara/__init__.py).
#include "python/module/Bindings.h"
#include "python/module/LoaderMessages.h"

PYBIND11_MODULE(_fumara, module) {
    module.doc() = "Fumara cache frames (.ovr) as numpy arrays, and their conversion to OpenVDB.";
    FumaraPython::LoaderMessages::install();
    FumaraPython::bindFrame(module);
    FumaraPython::bindParticleGroup(module);
    FumaraPython::bindConversion(module);
}
