// kavro.fit and kavro.FitResult: the fit of `kavro99 fit` with its values,
// uncertainties, correlations, peak table and test against a flat background.
#pragma once

#include <pybind11/pybind11.h>

#include "module_errors.hpp"

namespace kavro::python {

void bind_fit(pybind11::module_& m, const ModuleErrors& errors);

}  // namespace kavro::python
