// The absorption step of a run: density and absorption coefficient of the
// crystal with their listing lines, and mu R for the absorption correction.
#pragma once

#include <functional>

#include "crystal/absorption.hpp"
#include "crystal/crystal.hpp"
#include "crystal/notes.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"

namespace kavro {

// The imaginary part of the structure factor F(000) (X-rays, sin(theta)/lambda
// = 0); a structure factor that cannot be computed ends the run.
using ForwardScattering = std::function<float()>;

// X-rays: mu from the cell contents (`mue`), mur, the 31.5 warning, and when
// every type has f'' the dispersion-corrected mu = 2 relv Im F(000) from
// `forward`. Neutrons: density only, mu = mur = 0. Sets `mu_times_radius`; returns the
// final mu and the density. The density and mu lines are told as notes, the
// 31.5 warning as a warning.
LinearAbsorption absorption_step(const Crystal& crystal, const Radiation& radiation, Sample& sample,
                                 const Notes& notes, const ForwardScattering& forward);

}  // namespace kavro
