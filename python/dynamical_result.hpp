// kavro.run and kavro.find_events with dynamical=: the perfect crystal's
// N-beam psi-scan of the run's input, as `kavro99 run INPUT --dynamical`
// computes it, beside the kinematic events of the same input.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <string>

#include "crystal_input.hpp"
#include "dynamical/perfect_crystal.hpp"
#include "engine/calculation.hpp"

namespace kavro::python {

struct DynamicalChoice {
  dynamical::ScanQuantity quantity = dynamical::ScanQuantity::peak;
  dynamical::DynamicalOptions options;
};

// The choice of `dynamical=` (None or False: none; True or "peak": the peak
// reflectivity; "integrated": the integrated one) with the plate's
// `thickness` (mm) and the entrance `surface`. Raises ValueError for another
// value, or for a thickness or surface without a dynamical scan.
std::optional<DynamicalChoice> dynamical_choice(const pybind11::object& dynamical, std::optional<double> thickness,
                                                std::optional<Hkl> surface);

struct DynamicalRun {
  Calculation calculation;
  std::string title, crystal_form;
  std::unique_ptr<dynamical::PerfectCrystal> crystal;
  dynamical::DynamicalScan scan;
};

// The dynamical scan of an input's text. Throws kavro::Error when the crystal
// cannot be taken as perfect, RunStop (with the reason at the end of
// `listing`) when the input cannot be used.
std::shared_ptr<const DynamicalRun> dynamical_run(const std::string& input_text, const DynamicalChoice& choice,
                                                  std::ostream& listing);
// The same of a structure's input: its experiment prepared as a run of the
// text prepares it, without reading the text.
std::shared_ptr<const DynamicalRun> dynamical_run(const CrystalInput& input, const DynamicalChoice& choice,
                                                  std::ostream& listing);

// "peak" or "integrated".
const char* quantity_name(dynamical::ScanQuantity quantity);

// The columns of the command line's scan table (psi, calculated, R_sigma,
// R_pi, dtheta_arcsec, beams; for the integrated reflectivity psi,
// calculated, R_sigma_int, R_pi_int, beams) as numpy arrays, float64 but
// for the beams (int32).
pybind11::dict dynamical_columns(const DynamicalRun& run);

// The calculated values as the float32 array of Scan.calc.
pybind11::array dynamical_calc(const DynamicalRun& run);

// The run's HTML page as `kavro99 run --dynamical --html NAME.html` writes it.
std::string dynamical_page(const DynamicalRun& run, const std::string& name);

}  // namespace kavro::python
