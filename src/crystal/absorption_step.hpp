// The absorption step of a run: density and absorption coefficient of the
// crystal with their listing lines, and mu R for the absorption correction.
#pragma once

#include <functional>
#include <iosfwd>

#include "crystal/absorption.hpp"
#include "crystal/crystal.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"

namespace kavro {

// The imaginary part of the structure factor F(000) (X-rays, sin(theta)/lambda
// = 0); a structure factor that cannot be computed ends the run.
using ForwardScattering = std::function<float()>;

// Listing blocks of the step.
void write_density_and_mu(std::ostream& listing, float rho, float mu);
void write_mur_too_large(std::ostream& listing);
void write_dispersion_mu(std::ostream& listing, float mu);
void write_neutron_density(std::ostream& listing, float rho);

// X-rays: mu from the cell contents (`mue`), mur, the 31.5 warning, and when
// every type has f'' the dispersion-corrected mu = 2 relv Im F(000) from
// `forward`. Neutrons: density only, mu = mur = 0. Sets `mur`; returns the
// final mu and the density.
LinearAbsorption absorption_step(const Crystal& crystal, const Radiation& radiation, Sample& sample,
                                 std::ostream& listing, const ForwardScattering& forward);

}  // namespace kavro
