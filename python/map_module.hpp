// kavro.psi_energy_map and kavro.PsiEnergyMap.
#pragma once

#include <pybind11/pybind11.h>

#include "module_errors.hpp"

namespace kavro::python {

void bind_map(pybind11::module_& m, const ModuleErrors& errors);

}  // namespace kavro::python
