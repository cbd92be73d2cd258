// Atomic X-ray scattering factor f(s), s = sin(theta)/lambda in 1/Angstrom.
//
// Up to s_lim the four-Gaussian fit of International Tables Vol. C,
// Table 6.1.1.4:  f = a1 exp(-b1 s^2) + .. + a4 exp(-b4 s^2) + c.
// Beyond it the large-s fit of Table 6.1.1.5, whose coefficients belong to
// the scaled cubic  ln f = a0 + a1 s + a2 s^2/10 + a3 s^3/100  (valid to s = 6).
// Evaluated in double, returned in single precision.
#include "crystal/form_factor.hpp"

#include <cmath>

namespace kavro {

namespace {

constexpr int kGaussianTerms = 4;
constexpr int kConstantIndex = 8;
constexpr int kLargeSIndex = 9;
constexpr int kLimitIndex = 13;

double gaussian_form(const std::array<float, kFormFactorCoefficientCount>& fcoef, double s2) {
  double f = fcoef[kConstantIndex];
  for (int i = 0; i < kGaussianTerms; ++i) {
    const auto a = static_cast<std::size_t>(2 * i);
    f += fcoef[a] * std::exp(-fcoef[a + 1] * s2);
  }
  return f;
}

double large_s_form(const std::array<float, kFormFactorCoefficientCount>& fcoef, double s) {
  const double a0 = fcoef[kLargeSIndex], a1 = fcoef[kLargeSIndex + 1];
  const double a2 = fcoef[kLargeSIndex + 2], a3 = fcoef[kLargeSIndex + 3];
  return std::exp(a0 + s * (a1 + s * (a2 / 10.0 + s * (a3 / 100.0))));
}

}  // namespace

float form_factor(const std::array<float, kFormFactorCoefficientCount>& fcoef, float s) {
  if (s <= fcoef[kLimitIndex]) {
    const double sd = s;
    return static_cast<float>(gaussian_form(fcoef, sd * sd));
  }
  return static_cast<float>(large_s_form(fcoef, s));
}

}  // namespace kavro
