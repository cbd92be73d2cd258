// Absorption step of a run: density, linear absorption coefficient and mu R,
// with the listing lines that report them.
#include "crystal/absorption_step.hpp"

#include <string>

#include "crystal/scattering_listing.hpp"
#include "format/fixed_format.hpp"

namespace kavro {
namespace {

// //' Density                                               :',F10.3,' g/cm -3'
//  /' Linear absorption coefficient (I.T., 1962, III, 157ff):',F10.3,' cm -1'
std::string density_and_mu(float rho, float mu) {
  return ff::format(
      "(//' Density                                               :',F10.3,' g/cm -3'"
      "/' Linear absorption coefficient (I.T., 1962, III, 157ff):',F10.3,' cm -1')",
      {rho, mu});
}

// //' mue*radius is greater than 31.5,'/' the absorption factor cannot be calculated'
//  /' the absorption factor is set to 1.'//
std::string mur_too_large() {
  return ff::format(
      "(//' mue*radius is greater than 31.5,'/' the absorption factor cannot be calculated'"
      "/' the absorption factor is set to 1.'//)");
}

// ' Linear absorption coefficient (dispersion correction) :',F10.3,' cm -1'//
std::string dispersion_mu(float mu) {
  return ff::format("(' Linear absorption coefficient (dispersion correction) :',F10.3,' cm -1'//)", {mu});
}

// //' Density   :',F10.3,' g/cm -3'/
std::string neutron_density(float rho) {
  return ff::format("(//' Density   :',F10.3,' g/cm -3'/)", {rho});
}

}  // namespace

LinearAbsorption absorption_step(const Crystal& crystal, const Radiation& radiation, Sample& sample,
                                 const Notes& notes, const ForwardScattering& forward) {
  if (radiation.idesy == RadiationKind::neutrons) {
    const LinearAbsorption neutrons{0.0f, mue_n(crystal, crystal.cell_volume_A3, notes)};
    sample.mu_times_radius = 0.0f;
    notes.note(neutron_density(neutrons.rho));
    return neutrons;
  }
  LinearAbsorption result = mue(crystal, radiation.alam1, crystal.cell_volume_A3, notes);
  sample.mu_times_radius = sample.crystal_radius_cm * result.mu;
  notes.note(density_and_mu(result.rho, result.mu));
  const bool too_large = sample.mu_times_radius > kMurLimit;
  if (too_large) notes.warning(mur_too_large());
  if (some_fpp_zero(crystal) || !forward) return result;
  // The absorptive part of the forward-scattering amplitude: mu = 2 lambda r_e Im F(000) / V.
  result.mu = 2.0f * radiation.lambda_re_over_v_per_cm * forward();
  sample.mu_times_radius = sample.crystal_radius_cm * result.mu;
  notes.note(dispersion_mu(result.mu));
  // The correction is switched off for this value as well; say so.
  if (!too_large && sample.mu_times_radius > kMurLimit) notes.warning(mur_too_large());
  return result;
}

}  // namespace kavro
