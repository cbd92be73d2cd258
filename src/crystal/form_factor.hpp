// Atomic X-ray scattering factor f(s), without the dispersion terms.
#pragma once

#include <array>

#include "crystal/crystal.hpp"

namespace kavro {

// f(s) in electrons at s = sin(theta)/lambda (1/Angstrom) from the 13
// coefficients of a scattering type followed by its limit s_lim (the layout of
// `Crystal::form_factor_coefficients`): the four-Gaussian fit up to s_lim, the large-s
// exponential of a cubic beyond.
float form_factor(const std::array<float, kFormFactorCoefficientCount>& fcoef, float s);

}  // namespace kavro
