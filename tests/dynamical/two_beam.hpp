// Closed forms of the two-beam dynamical theory (linear in the deviation,
// Authier, Dynamical Theory of X-ray Diffraction, ch. 4 and 5), independent
// of the N-beam solver they check.
#pragma once

#include <cmath>
#include <complex>

namespace kavro::dynamical::test {

using cd = std::complex<double>;

// Reflectivity of a thick Bragg-case crystal (Darwin-Prins with absorption):
// b = gamma_0 / gamma_h < 0, polarisation factor p, alpha the primary's
// (|k0 + h|^2 - k^2) / k^2. The root of the dispersion surface taken is the
// one that gives R <= 1.
inline double bragg_reflectivity(cd chi0, cd chih, cd chihbar, double b, double p, double alpha) {
  // x = 2 gamma_0 eps - chi_0 solves x^2 + x (chi_0 + b (alpha - chi_0)) - b p^2 chi_h chi_hbar = 0.
  const cd q = chi0 + b * (alpha - chi0);
  const cd root = std::sqrt(q * q + 4.0 * b * p * p * chih * chihbar);
  const cd x1 = (-q + root) / 2.0, x2 = (-q - root) / 2.0;
  const cd x = std::abs(x1) < std::abs(x2) ? x1 : x2;
  return std::norm(x) / (p * p * std::norm(chihbar) * std::fabs(b));
}

}  // namespace kavro::dynamical::test
