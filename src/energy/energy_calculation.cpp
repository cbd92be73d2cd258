// The values of a calculation that depend on the wavelength, set for another one.
#include "energy/energy_calculation.hpp"

#include <cmath>

#include "cif/dispersion.hpp"
#include "crystal/structure_factor_kernel.hpp"
#include "crystal/units.hpp"
#include "crystal/wavelength_band.hpp"

namespace kavro {
namespace {

void set_dispersion(Crystal& crystal, double energy_kev) {
  for (std::size_t j = 0; j < static_cast<std::size_t>(crystal.nf); ++j) {
    const cif::Dispersion d = cromer_liberman(crystal, j, energy_kev);
    crystal.fp[j] = static_cast<float>(d.fp);
    crystal.fpp[j] = static_cast<float>(d.fpp);
  }
}

}  // namespace

void set_primary_structure_factor(Calculation& c, const StructureFactorKernel& kernel, std::ostream& listing) {
  const StructureFactor f = kernel.xray(c.primary.h, c.primary.k, c.primary.l, c.primary.stol, listing);
  c.primary.f = f.modulus;
  c.primary.phase = f.phase;
  c.primary.phi = f.phase * kLegacyRadToDeg;
}

cif::Dispersion cromer_liberman(const Crystal& crystal, std::size_t type, double energy_kev) {
  return cif::anomalous_scattering(crystal.atnum[type], energy_kev * 1000);
}

Calculation calculation_at_energy(const Calculation& base, double energy_kev, std::ostream& listing) {
  Calculation c = base;
  const auto lambda = static_cast<float>(wavelength_of(energy_kev));
  if (base.radiation.alam1 > 0) c.radiation.alam2 = base.radiation.alam2 / base.radiation.alam1 * lambda;
  c.radiation.alam1 = lambda;
  set_wavelength_band(c.radiation);
  if (c.radiation.idesy == kNeutrons) return c;
  set_dispersion(c.crystal, energy_kev);
  c.radiation.relv = c.radiation.alam1 * 2.817938f * c.crystal.volst * 1000;
  const StructureFactorKernel kernel(c.crystal);
  set_primary_structure_factor(c, kernel, listing);
  c.sample.mu = 2.0f * c.radiation.relv * kernel.xray(0, 0, 0, 0.0f, listing).imaginary;
  c.sample.mur = c.sample.rkugel * c.sample.mu;
  return c;
}

}  // namespace kavro
