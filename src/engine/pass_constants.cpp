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
  const float u = lambda * 1e-8f / sample.Tm;
  const float s = (2.0f / 3.0f * sample.rkugel / (sample.radius * 1e-4f)) * u / (sample.eta * kLegacyDegToRad + u);
  return std::max(1.0f, s);
}

}  // namespace

PassConstants pass_constants(const Crystal& crystal, const Radiation& radiation, const Sample& sample,
                             const Primary& primary, const WavelengthLine& line) {
  PassConstants pc;
  pc.line = line;
  pc.idesy = radiation.idesy;
  const double lambda = as_read(line.lambda);
  pc.k = 1 / lambda;
  const double half_band = 0.5 * lambda * line.dlam;
  pc.k_lo = 1 / (lambda + half_band);
  pc.k_hi = 1 / (lambda - half_band);
  const Vec3d h1 = as_vector({primary.h, primary.k, primary.l});
  pc.h1_length = std::sqrt(ReciprocalMetric::of(crystal).product(h1, h1));
  pc.stol = pc.h1_length / 2;
  pc.theta1 = std::asin(std::min(1.0, lambda * pc.stol));
  pc.cos_2theta1 = static_cast<float>(std::cos(2 * pc.theta1));
  pc.centre_radius = pc.k * std::cos(pc.theta1);
  pc.tm = sample.Tm;
  pc.mu = sample.mu;
  pc.relv = radiation.relv;
  pc.source = sample.area * kSquareDegreesPerSteradian * line.weight * radiation.dimono;
  pc.a1 = absorption_factor(radiation, sample, static_cast<float>(pc.theta1));
  pc.pol1 = (radiation.idesy == kTube || radiation.idesy == kSynchrotronPi) ? (1 + pc.cos_2theta1 * pc.cos_2theta1) / 2
                                                                            : 1.0f;
  pc.scale = scale_factor(sample, line.lambda);
  pc.eta = sample.eta;
  pc.diverp = sample.diverp;
  pc.divers = sample.divers;
  pc.polsig = radiation.polsig;
  pc.pmono = radiation.pmono;
  pc.f1 = primary.f;
  pc.phase1 = primary.phase;
  return pc;
}

}  // namespace kavro
