// Split pseudo-Voigt profile of a multiple-diffraction event in psi.
#pragma once

#include <cmath>

namespace kavro {

// 1/sqrt(2 ln 2): a Gaussian of standard deviation 0.8493218 w halves at w.
inline constexpr float kHalfWidthToSigma = 0.8493218f;

struct ProfileSide {
  float width = 0;     // half width at half maximum (degrees)
  float inv_width = 0; // 1 / width
  float inv_sigma = 0; // 1 / (0.8493218 width), the Gaussian's inverse standard deviation
  float gauss = 0;     // Gaussian peak height 0.46971848 / w (unit-area Gaussian of that width)
  float lorentz = 0;   // Lorentzian peak height 0.31830990 / w
  float scale = 0;     // factor that makes both sides meet at the event and the whole area 1
};

// Mixing eta (Lorentzian share) and the two sides: the inner side faces the
// other crossing of the same reflection, the outer side looks away from it.
struct SplitPseudoVoigt {
  float eta = 0;
  ProfileSide inner;
  ProfileSide outer;

  // exp(-t) rounds to 0 in single precision well before t = 110; skipping
  // it there changes nothing.
  static constexpr float kExpUnderflow = 110.0f;

  // Profile value at a distance x (degrees) from the event on one side. An
  // inner side of zero width takes the outer side's shape.
  float value(float x, const ProfileSide& s) const {
    const float t = gaussian_exponent(x, s);
    const float gaussian = t > kExpUnderflow ? 0.0f : (1 - eta) * s.gauss * std::exp(-t);
    return s.scale * (lorentzian(x, s) + gaussian);
  }
  // The same value where the Gaussian is skipped (gaussian_exponent above kExpUnderflow), without a branch.
  float tail_value(float x, const ProfileSide& s) const { return s.scale * (lorentzian(x, s) + 0.0f); }
  // t of the Gaussian exp(-t) at x; it grows with |x|.
  static float gaussian_exponent(float x, const ProfileSide& s) {
    const float g = x * s.inv_sigma;
    return 0.5f * g * g;
  }
  float lorentzian(float x, const ProfileSide& s) const {
    const float r = x * s.inv_width;
    return eta * s.lorentz / (1 + r * r);
  }
  const ProfileSide& side(bool inner_side) const { return inner_side && inner.width > 0 ? inner : outer; }
};

// Profile with half widths w_in (0 or below: no inner side of its own) and w_out.
SplitPseudoVoigt split_pseudo_voigt(float eta, float w_in, float w_out);

}  // namespace kavro
