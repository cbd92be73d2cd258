// Absorption step of a run: density, linear absorption coefficient and mu R,
// with the listing lines that report them.
#include "crystal/absorption_step.hpp"

#include <ostream>

#include "crystal/scattering_listing.hpp"
#include "format/fixed_format.hpp"

namespace kavro {

// //' Density                                               :',F10.3,' g/cm -3'
//  /' Linear absorption coefficient (I.T., 1962, III, 157ff):',F10.3,' cm -1'
void write_density_and_mu(std::ostream& listing, float rho, float mu) {
  ff::write(listing,
            "(//' Density                                               :',F10.3,' g/cm -3'"
            "/' Linear absorption coefficient (I.T., 1962, III, 157ff):',F10.3,' cm -1')",
            {rho, mu});
}

// //' mue*radius is greater than 31.5,'/' the absorption factor cannot be calculated'
//  /' the absorption factor is set to 1.'//
void write_mur_too_large(std::ostream& listing) {
  ff::write(listing,
            "(//' mue*radius is greater than 31.5,'/' the absorption factor cannot be calculated'"
            "/' the absorption factor is set to 1.'//)");
}

// ' Linear absorption coefficient (dispersion correction) :',F10.3,' cm -1'//
void write_dispersion_mu(std::ostream& listing, float mu) {
  ff::write(listing, "(' Linear absorption coefficient (dispersion correction) :',F10.3,' cm -1'//)",
            {mu});
}

// //' Density   :',F10.3,' g/cm -3'/
void write_neutron_density(std::ostream& listing, float rho) {
  ff::write(listing, "(//' Density   :',F10.3,' g/cm -3'/)", {rho});
}

LinearAbsorption absorption_step(const Crystal& crystal, const Radiation& radiation, Sample& sample,
                                 std::ostream& listing, const ForwardScattering& forward) {
  if (radiation.idesy == kNeutrons) {
    const LinearAbsorption neutrons{0.0f, mue_n(crystal, crystal.vol, listing)};
    sample.mur = 0.0f;
    write_neutron_density(listing, neutrons.rho);
    return neutrons;
  }
  LinearAbsorption result = mue(crystal, radiation.alam1, crystal.vol, listing);
  sample.mur = sample.rkugel * result.mu;
  write_density_and_mu(listing, result.rho, result.mu);
  const bool too_large = sample.mur > kMurLimit;
  if (too_large) write_mur_too_large(listing);
  if (some_fpp_zero(crystal) || !forward) return result;
  // The absorptive part of the forward-scattering amplitude: mu = 2 lambda r_e Im F(000) / V.
  result.mu = 2.0f * radiation.relv * forward();
  sample.mur = sample.rkugel * result.mu;
  write_dispersion_mu(listing, result.mu);
  // The correction is switched off for this value as well; say so.
  if (!too_large && sample.mur > kMurLimit) write_mur_too_large(listing);
  return result;
}

}  // namespace kavro
