// Preparing and retuning the calculation of a fit.
#include "fit/fit_calculation.hpp"

#include <cmath>
#include <sstream>

#include "crystal/absorption_step.hpp"
#include "crystal/lattice.hpp"
#include "crystal/psi_offset.hpp"
#include "crystal/reciprocal_metric.hpp"
#include "crystal/structure_factor.hpp"
#include "crystal/structure_factor_kernel.hpp"
#include "crystal/wavelength_band.hpp"
#include "energy/energy_calculation.hpp"
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

// A type whose f' and f'' are Cromer-Liberman's at the input's energy (as the
// CIF converter writes them, with four decimals, possibly for a wavelength
// given to fewer digits) follows the energy; any other pair is the input's
// own, measured or tabulated, and stays.
constexpr double kDispersionMatch = 0.01;

bool follows_energy(const Calculation& base, std::size_t type, const cif::Dispersion& at_input) {
  return std::fabs(base.crystal.fp[type] - at_input.fp) <= kDispersionMatch &&
         std::fabs(base.crystal.fpp[type] - at_input.fpp) <= kDispersionMatch;
}

// F-prim is computed anew only where the input did not give it.
bool computed_primary(const Calculation& base) {
  std::ostringstream ignored;
  const StructureFactorKernel kernel(base.crystal);
  const float f = kernel.xray(base.primary.h, base.primary.k, base.primary.l, base.primary.stol, ignored).modulus;
  return std::fabs(f - base.primary.f) <= 1e-3f * std::max(1.0f, f);
}

// Synchrotron radiation: f' and f'' of the types that follow the energy move
// by Cromer-Liberman's change from the input's energy to the new first line,
// so that they are the input's at its own energy and Cromer-Liberman's to the
// input's rounding elsewhere; F-prim follows them. A tube keeps the table's
// f' and f'' of its lines.
void follow_dispersion(Calculation& c, const Calculation& base) {
  if (c.radiation.idesy != kSynchrotronSigma && c.radiation.idesy != kSynchrotronPi) return;
  const double input_energy = energy_of(base.radiation.alam1);
  const double energy = energy_of(c.radiation.alam1);
  for (std::size_t j = 0; j < static_cast<std::size_t>(c.crystal.nf); ++j) {
    const cif::Dispersion at_input = cromer_liberman(base.crystal, j, input_energy);
    if (!follows_energy(base, j, at_input)) continue;
    const cif::Dispersion at_energy = cromer_liberman(c.crystal, j, energy);
    c.crystal.fp[j] = static_cast<float>(base.crystal.fp[j] + (at_energy.fp - at_input.fp));
    c.crystal.fpp[j] = static_cast<float>(base.crystal.fpp[j] + (at_energy.fpp - at_input.fpp));
  }
  std::ostringstream ignored;
  if (computed_primary(base)) set_primary_structure_factor(c, StructureFactorKernel(c.crystal), ignored);
}

// mu as the run sets it: the table's at the first line, or from Im F(000)
// when every type has an f''.
void follow_absorption(Calculation& c) {
  if (c.radiation.idesy == kNeutrons) return;
  std::ostringstream ignored;
  const auto forward = [&c, &ignored] {
    float F = 0, phase = 0;
    return fcalc1(c.crystal, ignored, 0, 0, 0, 0.0f, F, phase).imaginary;
  };
  c.sample.mu = absorption_step(c.crystal, c.radiation, c.sample, ignored, forward).mu;
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
  if (energy != 0) {
    follow_dispersion(c, base);
    follow_absorption(c);
  }
  align_primary(c);
  return c;
}

}  // namespace kavro
