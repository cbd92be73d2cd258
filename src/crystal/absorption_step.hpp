// The absorption step of a run: density and absorption coefficient of the
// crystal with their listing lines, and mu R for the absorption correction.
#pragma once

#include <functional>
#include <optional>
#include <iosfwd>

#include "crystal/absorption.hpp"
#include "run/run_state.hpp"

namespace kavro {

// Computes the structure factor F(000) (X-rays, sin(theta)/lambda = 0): leaves
// the imaginary-part sum in `fdisp_im` and sets `ierr` = 1 when it cannot go on.
using ForwardScattering = std::function<void(RunState&)>;

// Listing blocks of the step.
void write_density_and_mu(std::ostream& listing, float rho, float mu);
void write_mur_too_large(std::ostream& listing);
void write_dispersion_mu(std::ostream& listing, float mu);
void write_neutron_density(std::ostream& listing, float rho);

// X-rays: mu from the cell contents (`mue`), mur, the 31.5 warning, and when
// every type has f'' the dispersion-corrected mu = 2 relv Im F(000) from
// `forward`. Neutrons: density only, mu = mur = 0. Sets `mur`; returns the
// final mu and the density, or nothing when `forward` set `ierr` (the run stops).
std::optional<LinearAbsorption> absorption_step(RunState& st, std::ostream& listing,
                                                const ForwardScattering& forward);

}  // namespace kavro
