// The scale factor from the reference reflections.
#include "scans/scale_factor.hpp"

namespace kavro {

void finish_scale_factor(MeasuredScan& measured) {
  if (measured.imin_obs < 0) measured.imin_obs = 0;
  if (measured.nref >= 1) measured.scale_sum /= static_cast<float>(measured.nref);
}

float incident_intensity(const MeasuredScan& measured, const Radiation& radiation) {
  return measured.nref >= 1 ? measured.scale_sum : radiation.incident_flux_per_cm2_s;
}

}  // namespace kavro
