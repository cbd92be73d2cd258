// Split pseudo-Voigt line shape: on each side eta * Lorentzian + (1 - eta) *
// Gaussian of the side's half width w, with peak heights G = 0.46971848/w
// (= sqrt(ln2/pi)/w) and L = 0.31830990/w (= 1/(pi w)); the sides are scaled
// so that they meet at the event and the total area is 1. x and w in degrees.
#include "engine/line_shape.hpp"

namespace kavro {
namespace {

ProfileSide side_of_width(float w) {
  ProfileSide side;
  side.width = w;
  side.inv_width = 1 / w;
  side.inv_sigma = 1 / (kHalfWidthToSigma * w);
  side.gauss = 0.46971848f / w;
  side.lorentz = 0.31830990f / w;
  return side;
}

float peak(const ProfileSide& side, float eta) { return side.gauss + eta * (side.lorentz - side.gauss); }

}  // namespace

SplitPseudoVoigt split_pseudo_voigt(float eta, float w_in, float w_out) {
  SplitPseudoVoigt shape;
  shape.eta = eta;
  shape.outer = side_of_width(w_out);
  shape.inner = w_in > 0 ? side_of_width(w_in) : shape.outer;
  shape.inner.width = w_in > 0 ? w_in : 0;
  const float p_in = peak(shape.inner, eta);
  const float p_out = peak(shape.outer, eta);
  const float f = 2 / (p_in + p_out);
  shape.inner.scale = f * p_out;
  shape.outer.scale = f * p_in;
  return shape;
}

}  // namespace kavro
