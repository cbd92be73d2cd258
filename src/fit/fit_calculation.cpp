// Preparing and retuning the calculation of a fit.
#include "fit/fit_calculation.hpp"

#include <cmath>

#include "crystal/lattice.hpp"
#include "crystal/psi_offset.hpp"
#include "crystal/reciprocal_metric.hpp"
#include "crystal/wavelength_band.hpp"
#include "run/input_preparation.hpp"

namespace kavro {
namespace {

// The scattering length per unit F and volume, as the input reading sets it.
constexpr float kClassicalRadiusFactor = 2.817938f;

void align_primary(Calculation& c) {
  c.primary.refdir = reference_direction(c.crystal, c.primary);
  if (c.primary.ub_given)
    upsi(c.primary, exact_reference_direction(c.crystal, c.primary, ReciprocalMetric::of(c.crystal)));
}

}  // namespace

Calculation fit_calculation(std::istream& input, std::ostream& listing) {
  Calculation c = read_calculation(input, listing);
  if (!(c.grid.zsw1 > 0)) throw FitError("the input simulates no scan (steps per degree at or below 0 on line 6)");
  return c;
}

Calculation retuned_calculation(const Calculation& base, double energy, double cell) {
  Calculation c = base;
  const auto wavelength_factor = static_cast<float>(1 / (1 + energy));
  c.radiation.alam1 *= wavelength_factor;
  c.radiation.alam2 *= wavelength_factor;
  set_wavelength_band(c.radiation);
  const auto edge_factor = static_cast<float>(1 + cell);
  c.crystal.a *= edge_factor;
  c.crystal.b *= edge_factor;
  c.crystal.c *= edge_factor;
  reciprocal_cell(c.crystal);
  c.radiation.relv = c.radiation.alam1 * kClassicalRadiusFactor * c.crystal.volst * 1000;
  if (!primary_reflection_geometry(c.crystal, c.radiation, c.primary) ||
      !(c.primary.stol * c.radiation.alam2 <= 1 || c.radiation.idesy != kTube))
    throw FitError("the primary reflection leaves the Ewald sphere at this energy and cell");
  align_primary(c);
  return c;
}

}  // namespace kavro
