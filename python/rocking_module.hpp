// kavro.rocking_curve: the perfect crystal's dynamical N-beam rocking curve
// of `kavro99 rocking`.
#pragma once

#include <pybind11/pybind11.h>

#include "module_errors.hpp"

namespace kavro::python {

void bind_rocking(pybind11::module_& m, const ModuleErrors& errors);

}  // namespace kavro::python
