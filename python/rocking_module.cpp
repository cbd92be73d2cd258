#include "rocking_module.hpp"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <sstream>

#include "crystal/run_stop.hpp"
#include "crystal/units.hpp"
#include "dynamical/perfect_crystal.hpp"
#include "input_run.hpp"
#include "map_result.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

namespace kavro::python {
namespace {

struct RockingResult {
  dynamical::RockingCurve curve;
  double bragg_angle = 0;  // radians
};

std::string beam_name(const Hkl& h) {
  return std::to_string(h[0]) + "_" + std::to_string(h[1]) + "_" + std::to_string(h[2]);
}

// The columns of `kavro99 rocking --csv`: dtheta_arcsec, R_sigma, R_pi and the power P_H_K_L_sigma,
// P_H_K_L_pi of every beam but the primary.
py::dict curve_columns(const RockingResult& r) {
  const dynamical::RockingCurve& c = r.curve;
  const auto n = static_cast<py::ssize_t>(c.dtheta.size());
  py::dict columns;
  const auto column = [&](const char* name, auto value) {
    py::array_t<double> values(n);
    for (py::ssize_t i = 0; i < n; ++i) values.mutable_at(i) = value(static_cast<std::size_t>(i));
    columns[name] = values;
  };
  column("dtheta_arcsec", [&](std::size_t i) { return c.dtheta[i] / kArcsec; });
  column("R_sigma", [&](std::size_t i) { return c.points[i].r_sigma; });
  column("R_pi", [&](std::size_t i) { return c.points[i].r_pi; });
  for (std::size_t g = 0; g < c.beams.size(); ++g) {
    if (g == 1) continue;
    const std::string name = "P_" + beam_name(c.beams[g]);
    column((name + "_sigma").c_str(),
           [&](std::size_t i) { return c.points[i].beams[g].sigma.front + c.points[i].beams[g].sigma.back; });
    column((name + "_pi").c_str(),
           [&](std::size_t i) { return c.points[i].beams[g].pi.front + c.points[i].beams[g].pi.back; });
  }
  return columns;
}

// The glancing angles of the curve (radians from theta_B): the given range, or about the two-beam
// estimate six half widths and twice the refraction shift either way, as the command chooses them.
std::pair<double, double> curve_range(const dynamical::PerfectCrystal& crystal, double psi,
                                      const std::optional<std::pair<double, double>>& range) {
  if (range) return {range->first * kArcsec, range->second * kArcsec};
  const dynamical::TwoBeamWidth w = crystal.two_beam_width(psi);
  const double half = 6 * w.half_width + 2 * std::abs(crystal.chi({0, 0, 0})) / std::sin(2 * crystal.bragg_angle());
  return {w.centre - half, w.centre + half};
}

RockingResult rocking(const ModuleErrors& errors, const std::filesystem::path& input, double psi,
                      const std::optional<std::pair<double, double>>& range, int points,
                      const dynamical::DynamicalOptions& options) {
  if (range && !(range->first < range->second)) throw py::value_error("range needs (A, B) with A < B");
  if (!(points >= 2 && points <= 100000))
    throw py::value_error("points needs a whole number from 2 to 100000, not " + std::to_string(points));
  std::string text;
  try {
    text = input_file_text(input);
  } catch (const InputFileError& e) {
    raise_input_error(e, input);
  }
  std::ostringstream listing;
  std::string failure;
  RockingResult result;
  {
    py::gil_scoped_release unlocked;
    try {
      const Calculation c = map_calculation(text, listing);
      const dynamical::PerfectCrystal crystal(c, options);
      const std::pair<double, double> angles = curve_range(crystal, psi, range);
      if (!crystal.enters(psi, angles.first) || !crystal.enters(psi, angles.second))
        throw Error("the incident beam does not enter the crystal surface at psi " + std::to_string(psi));
      result.curve = dynamical::rocking_curve(crystal, psi, angles.first, angles.second, points);
      result.bragg_angle = crystal.bragg_angle();
    } catch (const RunStop& stop) {
      failure = std::string("the input file cannot be used: ") + stop.what();
    } catch (const Error& e) {
      failure = e.what();
    }
  }
  if (!failure.empty()) raise_stop(errors.run, failure, listing.str());
  return result;
}

}  // namespace

dynamical::DynamicalOptions crystal_options(std::optional<double> thickness, std::optional<Hkl> surface) {
  dynamical::DynamicalOptions o;
  if (thickness) {
    if (!(*thickness > 0)) throw py::value_error("the thickness must be positive (mm), not " + std::to_string(*thickness));
    o.thickness = *thickness * kAngstromPerMillimetre;
  }
  if (surface && *surface == Hkl{0, 0, 0}) throw py::value_error("the surface needs a lattice plane H K L, not 0 0 0");
  o.surface = surface;
  return o;
}

void bind_rocking(py::module_& m, const ModuleErrors& errors) {
  py::class_<RockingResult>(m, "RockingCurve", "The perfect crystal's dynamical rocking curve of the primary.")
      .def_property_readonly("columns", &curve_columns,
                             "the columns of `kavro99 rocking --csv` as float64 arrays: dtheta_arcsec (from the "
                             "kinematic Bragg angle), R_sigma, R_pi and P_H_K_L_sigma, P_H_K_L_pi, the power of every "
                             "other beam")
      .def_property_readonly(
          "beams",
          [](const RockingResult& r) {
            py::list beams;
            for (const Hkl& h : r.curve.beams) beams.append(py::make_tuple(h[0], h[1], h[2]));
            return beams;
          },
          "the beams taken: 0 0 0, the primary, then the others")
      .def_property_readonly(
          "bragg_angle_deg", [](const RockingResult& r) { return r.bragg_angle * 180 / std::numbers::pi; },
          "the kinematic Bragg angle of the primary (degrees)");

  m.def(
      "rocking_curve",
      [errors](const std::filesystem::path& input, double psi, const std::optional<std::pair<double, double>>& range,
               int points, std::optional<double> thickness, std::optional<Hkl> surface) {
        return rocking(errors, input, psi, range, points, crystal_options(thickness, surface));
      },
      "input"_a, "psi"_a, py::kw_only(), "range"_a = py::none(), "points"_a = 801, "thickness"_a = py::none(),
      "surface"_a = py::none(),
      "The dynamical N-beam rocking curve of the input's primary reflection at azimuth `psi` (degrees) of the "
      "perfect crystal, as `kavro99 rocking INPUT --psi P` computes it: `range` (A, B) in arcsec from the "
      "kinematic Bragg angle (None: about the two-beam curve), `points` glancing angles, `thickness` of a plate "
      "(mm; None: a half-space), `surface` the entrance surface's plane H K L (None: the primary's, symmetric "
      "Bragg). Returns a kavro.RockingCurve. Raises ValueError for a value the command refuses, kavro.RunError "
      "when the input cannot be used or the curve not computed.");
}

}  // namespace kavro::python
