// The event table and the scan of a run as numpy arrays.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>

#include "input_run.hpp"

namespace kavro::python {

// One array per column of the event table, named and ordered as the CSV and
// JSON files name them; a row per crossing, pass by pass in psi order.
pybind11::dict event_arrays(const InputRun& run);

// The columns' units and meanings: a list of (name, unit, meaning).
pybind11::list event_column_descriptions();

struct Scan {
  pybind11::array psi;   // psia + i / steps per degree (deg)
  pybind11::array calc;  // simulated intensity (cps)
  pybind11::array obs;   // measured intensity (cps), NaN where nothing was measured
  std::string quantity = "intensity";  // of calc: "intensity", or the perfect crystal's "peak" or "integrated" reflectivity
};

Scan scan_arrays(const InputRun& run);

}  // namespace kavro::python
