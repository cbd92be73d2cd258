// A reference reflection's contribution to the scale factor.
#include "scans/reference_reflection.hpp"

#include <cmath>

#include "crystal/absorption.hpp"
#include "crystal/structure_factor.hpp"
#include "crystal/units.hpp"

namespace kavro {

namespace {

constexpr float kMaxTabulatedMuR = 31.5f;

float structure_factor(const Crystal& crystal, const Radiation& radiation, const Notes& notes, ReferenceBeam beam,
                       const ReferenceMeasurement& m) {
  float F = 0;
  float phase = 0;
  if (beam == ReferenceBeam::neutrons) {
    fcalc1_n(crystal, notes, m.h, m.k, m.l, F, phase);
  } else {
    const float s = std::sin(m.theta * kLegacyDegToRad) / radiation.alam1;
    fcalc1(crystal, notes, m.h, m.k, m.l, s, F, phase);
  }
  return F;
}

float absorption(const Sample& sample, ReferenceBeam beam, float theta) {
  if (beam == ReferenceBeam::neutrons || !(sample.mu_times_radius >= 0 && sample.mu_times_radius < kMaxTabulatedMuR)) return 1;
  return absor1(sample.mu_times_radius, theta);
}

}  // namespace

void add_reference_reflection(const ScanReading& reading, const Notes& notes, const ReferenceRules& rules,
                              const ReferenceMeasurement& m) {
  if (!(m.theta > 0 && m.theta < 90)) {  // no Bragg angle of a reflection
    notes.warning(reference_skipped(m, 0));
    return;
  }
  const float F = structure_factor(reading.crystal, reading.radiation, notes, rules.beam, m);
  const float a = absorption(reading.sample, rules.beam, m.theta);
  const auto estimate = estimate_incident_intensity(reading.radiation, reading.sample, rules.beam, m, F, a);
  if (!estimate) {
    notes.warning(reference_skipped(m, F));
    return;
  }
  notes.note(reference_line(rules.layout, reading.sample, m, F, a, *estimate));
  if (F >= rules.min_F) {
    reading.measured.scale_sum += estimate->q;
    ++reading.measured.nref;
  }
}

}  // namespace kavro
