// An experiment at another photon energy.
#include "energy/energy_calculation.hpp"

#include <cmath>

#include "cif/radiation_choice.hpp"
#include "crystal/radiation_kind.hpp"

namespace kavro {
namespace {

// The CIF converter writes Cromer-Liberman's f' and f'' with four decimals,
// possibly for a wavelength given to fewer digits.
constexpr double kDispersionMatch = 0.01;

bool follows_energy(const Crystal& crystal, std::size_t type, const cif::Dispersion& at_input) {
  return std::fabs(crystal.fp[type] - at_input.fp) <= kDispersionMatch &&
         std::fabs(crystal.fpp[type] - at_input.fpp) <= kDispersionMatch;
}

// f' and f'' of the types that follow the energy move by Cromer-Liberman's
// change, so that they are the input's at its own energy and have no step there.
// `prepared` knows the types' elements.
void follow_dispersion(Crystal& crystal, const Crystal& prepared, double input_energy, double energy) {
  for (std::size_t j = 0; j < static_cast<std::size_t>(crystal.nf); ++j) {
    const cif::Dispersion at_input = cromer_liberman(prepared, j, input_energy);
    if (!follows_energy(crystal, j, at_input)) continue;
    const cif::Dispersion at_energy = cromer_liberman(prepared, j, energy);
    crystal.fp[j] = static_cast<float>(crystal.fp[j] + (at_energy.fp - at_input.fp));
    crystal.fpp[j] = static_cast<float>(crystal.fpp[j] + (at_energy.fpp - at_input.fpp));
  }
}

// A silicon 1 1 1 monochromator whose F is the one the converter computes for
// the input's wavelength (written with three decimals) follows the energy in
// the same way; any other F is the input's own and stays.
constexpr double kMonochromatorMatch = 5e-4;

void follow_monochromator(Radiation& r, double input_wavelength) {
  if (r.hmono != 1 || r.kmono != 1 || r.lmono != 1 || !(r.amono > 0)) return;
  const double s = 0.5 * std::sqrt(3.0) / r.amono;
  const double at_input = cif::silicon_111_structure_factor(input_wavelength, s);
  if (!(std::fabs(r.fmono - at_input) <= kMonochromatorMatch)) return;
  r.fmono = static_cast<float>(r.fmono + (cif::silicon_111_structure_factor(r.alam1, s) - at_input));
}

}  // namespace

cif::Dispersion cromer_liberman(const Crystal& crystal, std::size_t type, double energy_kev) {
  return cif::anomalous_scattering(crystal.atomic_number[type], energy_kev * 1000);
}

Experiment experiment_at_energy(const Calculation& base, double energy_kev) {
  const Experiment& experiment = base.experiment;
  Experiment moved = current_experiment(base);
  Radiation& r = moved.radiation;
  const auto lambda = static_cast<float>(wavelength_of(energy_kev));
  if (r.alam1 > 0) r.alam2 = experiment.radiation.alam2 / experiment.radiation.alam1 * lambda;
  r.alam1 = lambda;
  if ((r.idesy == RadiationKind::synchrotron_sigma || r.idesy == RadiationKind::synchrotron_pi) && lambda != experiment.radiation.alam1) {
    follow_dispersion(moved.crystal, base.crystal, energy_of(experiment.radiation.alam1), energy_kev);
    follow_monochromator(r, experiment.radiation.alam1);
  }
  return moved;
}

Calculation calculation_at_energy(const Calculation& base, double energy_kev, const Notes& notes) {
  return prepare(experiment_at_energy(base, energy_kev), notes);
}

}  // namespace kavro
