// Integrated intensity of the primary reflection of a mosaic sphere: Lorentz
// factor from the reflecting range of the scattering angle over the band,
// primary extinction from the tabulated y(x, theta) averaged over the
// polarization states, and I1 = S/(A1 57.29578) * pol1 * Q1 * s * Tm * y with
// the kinematic reflectivity Q1 = lambda L1 / ext1^2 (lambda in cm).
#include <algorithm>
#include <cmath>

#include "crystal/extinction.hpp"
#include "crystal/units.hpp"
#include "engine/pass_constants.hpp"

namespace kavro {
namespace {

constexpr double kHalfDegree = 0.00872664625997164788;  // pi / 360

// Rounding can push a cosine just outside [-1, 1]; acos would give NaN.
double clamped_acos(double c) { return std::acos(std::clamp(c, -1.0, 1.0)); }

struct PolarizationState {
  float amplitude;  // factor on the structure factor (1 or |cos 2theta|)
  float weight;
};

// Primary extinction y averaged over the polarization states of the source.
float primary_extinction(const Sample& sample, const PassConstants& pc) {
  const float c2 = pc.cos_2theta1 * pc.cos_2theta1;
  const float c = std::fabs(pc.cos_2theta1);
  PolarizationState states[2];
  int count = 2;
  if (pc.idesy == RadiationKind::tube) {
    states[0] = {1, pc.monochromator_polarization};
    states[1] = {c, c2};
  } else if (pc.idesy == RadiationKind::neutrons) {
    states[0] = {1, (1 + pc.polarization_degree) / 2};
    count = 1;
  } else {
    states[0] = {1, (1 + pc.polarization_degree) / 2};
    states[1] = {c, c2 * (1 - pc.polarization_degree) / 2};
  }
  const float ext1 = extinction_length(pc, pc.f1);
  const float theta_deg = static_cast<float>(pc.theta1) * kLegacyRadToDeg;
  float y = 0;
  for (int j = 0; j < count; ++j) {
    const float e = ext1 / states[j].amplitude;
    const float t = std::min(chuk(kExtinctionTable, sample.radius * 1e-4f / e, theta_deg), 0.9f * e / pc.block_path_cm);
    y += states[j].weight * t;
  }
  if (pc.idesy == RadiationKind::tube) return y / (c2 + pc.monochromator_polarization);
  return 2 * y / ((1 + pc.polarization_degree) + (1 - pc.polarization_degree) * c2);
}

}  // namespace

PrimaryReflection primary_reflection(const Sample& sample, const PassConstants& pc) {
  PrimaryReflection pr;
  // The range of the scattering angle is a small difference of two arc
  // cosines, and the chords differ by little more: double precision.
  const double h1 = pc.h1_length;
  const double tm_a = pc.block_path_cm * 1e8;
  const double broadening = (pc.f1 * pc.lambda_re_over_v_per_cm + pc.mu_per_cm) * pc.block_path_cm;
  const double d = 0.5 * std::sqrt(broadening * broadening + 1) / tm_a;
  const double x_hi = ((pc.k_hi * pc.k_hi + h1 * h1) - (pc.k_hi + d) * (pc.k_hi + d)) / (2 * pc.k_hi * h1);
  const double x_lo = ((pc.k_lo * pc.k_lo + h1 * h1) - (pc.k_lo - d) * (pc.k_lo - d)) / (2 * pc.k_lo * h1);
  const double a = (pc.eta + pc.diverp) * kHalfDegree;
  pr.chi_hi_rad = clamped_acos(x_hi) + a;
  pr.chi_lo_rad = clamped_acos(x_lo) - a;
  const double k = pc.k;
  const double chord_hi = std::sqrt(h1 * h1 + k * k - 2 * k * h1 * std::cos(pr.chi_hi_rad));
  const double chord_lo = std::sqrt(h1 * h1 + k * k - 2 * k * h1 * std::cos(pr.chi_lo_rad));
  pr.lorentz = static_cast<float>(k * (pr.chi_hi_rad - pr.chi_lo_rad) / (chord_hi - chord_lo));

  const float threshold = pc.idesy == RadiationKind::neutrons ? 1e-4f : 0.001f;
  pr.forbidden = !(pc.f1 > threshold);
  if (pr.forbidden) return pr;
  pr.extinct_path_cm = pc.block_path_cm * primary_extinction(sample, pc);
  const float strength = pc.lambda_re_over_v_per_cm * pc.f1;  // 1 / ext1
  pr.reflectivity = pc.line.wavelength_A * 1e-8f * pr.lorentz * strength * strength;
  pr.intensity = (pc.source / (pc.absorption1 * kLegacyRadToDeg)) * pc.polarization1 * pr.reflectivity * pc.scale * pr.extinct_path_cm;
  return pr;
}

}  // namespace kavro
