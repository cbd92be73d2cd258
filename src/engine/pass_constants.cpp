// Per-pass constants of the multiple-diffraction calculation: Ewald-sphere
// radii at the band edges, the primary Bragg angle, the source term, the
// absorption and polarization of the primary beam and the scale factor s.
// Lengths in Angstrom and reciprocal Angstrom, crystal sizes in cm.
#include "engine/pass_constants.hpp"

#include <algorithm>
#include <cmath>

#include "crystal/absorption.hpp"
#include "crystal/reciprocal_metric.hpp"
#include "crystal/units.hpp"
#include "crystal/value_as_read.hpp"

namespace kavro {
namespace {

constexpr float kSquareDegreesPerSteradian = 3282.8064f;  // 57.29578^2

// Secondary-extinction scale factor of the mosaic crystal: the crystal
// radius over the block path, damped by the mosaic spread against the
// angular width u = lambda / Tm of one block; never below 1.
float scale_factor(const Sample& sample, float lambda) {
  const float u = lambda * 1e-8f / sample.block_path_cm;
  const float s = (2.0f / 3.0f * sample.crystal_radius_cm / (sample.radius * 1e-4f)) * u / (sample.eta * kLegacyDegToRad + u);
  return std::max(1.0f, s);
}

}  // namespace

PassConstants pass_constants(const Crystal& crystal, const Radiation& radiation, const Sample& sample,
                             const Primary& primary, const WavelengthLine& line) {
  PassConstants pc;
  pc.line = line;
  pc.idesy = radiation.idesy;
  const double lambda = as_read(line.wavelength_A);
  pc.k = 1 / lambda;
  const double half_band = 0.5 * lambda * line.dlambda_over_lambda;
  pc.k_lo = 1 / (lambda + half_band);
  pc.k_hi = 1 / (lambda - half_band);
  const Vec3d h1 = as_vector({primary.h, primary.k, primary.l});
  pc.h1_length = std::sqrt(ReciprocalMetric::of(crystal).product(h1, h1));
  pc.sin_theta_over_lambda = pc.h1_length / 2;
  pc.theta1 = std::asin(std::min(1.0, lambda * pc.sin_theta_over_lambda));
  pc.cos_2theta1 = static_cast<float>(std::cos(2 * pc.theta1));
  pc.centre_radius = pc.k * std::cos(pc.theta1);
  pc.block_path_cm = sample.block_path_cm;
  pc.mu_per_cm = sample.mu_per_cm;
  pc.lambda_re_over_v_per_cm = radiation.lambda_re_over_v_per_cm;
  pc.source = sample.cross_section_cm2 * kSquareDegreesPerSteradian * line.weight * radiation.incident_flux_per_cm2_s;
  pc.absorption1 = absorption_factor(radiation, sample, static_cast<float>(pc.theta1));
  pc.polarization1 = (radiation.idesy == RadiationKind::tube || radiation.idesy == RadiationKind::synchrotron_pi) ? (1 + pc.cos_2theta1 * pc.cos_2theta1) / 2
                                                                            : 1.0f;
  pc.scale = scale_factor(sample, line.wavelength_A);
  pc.eta = sample.eta;
  pc.diverp = sample.diverp;
  pc.divers = sample.divers;
  pc.polarization_degree = radiation.polarization_degree;
  pc.monochromator_polarization = radiation.monochromator_polarization;
  pc.f1 = primary.f;
  pc.phase1_rad = primary.phase_rad;
  return pc;
}

}  // namespace kavro
