// Incident-intensity estimate from a reference reflection (mosaic sphere with
// primary extinction in the blocks and secondary extinction between them).
// Zachariasen-type kinematic reflectivity Q = lambda^3 |F|^2 r_e^2 p /(V^2 sin 2theta),
// written with the extinction length 1/(relv F); extinction factors from the
// tabulated sphere function chuk.
#include "scans/incident_intensity.hpp"

#include <algorithm>
#include <cmath>

#include "crystal/extinction.hpp"
#include "crystal/units.hpp"
#include "scans/measured_points.hpp"

namespace kavro {

namespace {

// Primary extinction of one polarization state whose amplitude is scaled by
// `amplitude` (1 or |cos 2theta|): the table value, but never more than 0.9
// of the block path measured in extinction lengths.
float block_extinction(const Sample& sample, float ext_length, float amplitude, float theta_deg) {
  const float r = sample.radius * 1.0e-4f;
  const float tm = mean_block_path(sample);
  const float y = chuk(kExtinctionTable, r * amplitude / ext_length, theta_deg);
  if (amplitude == 0) return y;
  return std::min(y, 0.9f * (ext_length / amplitude) / tm);
}

float polarization_factor(const Radiation& radiation, ReferenceBeam beam, float c2, float ratio) {
  switch (beam) {
    case ReferenceBeam::tube:
      return (c2 + radiation.monochromator_polarization) / (1 + radiation.monochromator_polarization);
    case ReferenceBeam::synchrotron: return 0.5f * (1 + ratio + (1 - ratio) * c2);
    case ReferenceBeam::neutrons: return 1;
  }
  return 1;
}

// Primary extinction averaged over the polarization states with the weights of the beam.
float primary_extinction(const Radiation& radiation, const Sample& sample, ReferenceBeam beam, float ext_length,
                         float theta_deg, float c, float ratio, float p) {
  const float y1 = block_extinction(sample, ext_length, 1, theta_deg);
  if (beam == ReferenceBeam::neutrons) return y1;
  const float y2 = block_extinction(sample, ext_length, std::fabs(c), theta_deg);
  const float c2 = c * c;
  if (beam == ReferenceBeam::tube) return (radiation.monochromator_polarization * y1 + c2 * y2) / (radiation.monochromator_polarization + c2);
  return (0.5f * (1 + ratio) * y1 + 0.5f * (1 - ratio) * c2 * y2) / p;
}

// Secondary extinction between the blocks: the crystal path 2/3 rkugel in
// block radii, weighted by the chance lambda/Tm against the mosaic spread.
float secondary_extinction(const Radiation& radiation, const Sample& sample) {
  const float r = sample.radius * 1.0e-4f;
  const float x = radiation.alam1 * 1.0e-8f / mean_block_path(sample);
  const float t = ((0.6666667f * sample.crystal_radius_cm) / r) * x / (sample.eta * kLegacyDegToRad + x);
  return std::max(t, 1.0f);
}

bool finite_positive(float v) { return std::isfinite(v) && v > 0; }

}  // namespace

float mean_block_path(const Sample& sample) { return sample.radius * 1.3333333f * 1.0e-4f; }

std::optional<ReferenceEstimate> estimate_incident_intensity(const Radiation& radiation, const Sample& sample,
                                                             ReferenceBeam beam, const ReferenceMeasurement& m, float F,
                                                             float absorption) {
  const bool sample_ok = sample.radius > 0 && radiation.lambda_re_over_v_per_cm > 0 && sample.cross_section_cm2 > 0 && radiation.alam1 > 0;
  if (!sample_ok || !(m.theta > 0 && m.theta < 90) || !(F > 0.001f) || !usable_intensity(m.intensity)) return {};
  const float theta = m.theta * kLegacyDegToRad;
  const float c = std::cos(2 * theta);
  ReferenceEstimate e;
  e.lorentz = 1 / std::sin(2 * theta);
  e.polarization = polarization_factor(radiation, beam, c * c, m.ratio);
  if (!(e.polarization > 0)) return {};
  e.ext_length = 1 / (radiation.lambda_re_over_v_per_cm * F);
  e.y = primary_extinction(radiation, sample, beam, e.ext_length, m.theta, c, m.ratio, e.polarization);
  e.t = secondary_extinction(radiation, sample);
  const float relv_f = radiation.lambda_re_over_v_per_cm * F;
  const float reflectivity =
      radiation.alam1 * 1.0e-8f * e.lorentz * mean_block_path(sample) * e.y * relv_f * relv_f * e.polarization;
  if (!finite_positive(reflectivity)) return {};
  e.q = m.intensity * absorption / (kLegacyRadToDeg * e.t * reflectivity * sample.cross_section_cm2);
  if (beam == ReferenceBeam::tube) e.q /= 1.5f;
  if (!finite_positive(e.q)) return {};
  return e;
}

}  // namespace kavro
