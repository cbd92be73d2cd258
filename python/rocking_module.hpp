// kavro.rocking_curve: the perfect crystal's dynamical N-beam rocking curve
// of `kavro99 rocking`.
#pragma once

#include <pybind11/pybind11.h>

#include <optional>

#include "dynamical/perfect_crystal.hpp"

#include "module_errors.hpp"

namespace kavro::python {

// The perfect crystal of `thickness` (mm; None: a half-space) and entrance `surface` (None: the
// primary's plane). Raises ValueError for a thickness not above 0 or the surface 0 0 0.
dynamical::DynamicalOptions crystal_options(std::optional<double> thickness, std::optional<Hkl> surface);

void bind_rocking(pybind11::module_& m, const ModuleErrors& errors);

}  // namespace kavro::python
