// The monochromator's Bragg angle, intrinsic width and band.
#include "crystal/monochromator.hpp"

#include <cmath>

#include "crystal/radiation_kind.hpp"
#include "crystal/units.hpp"

namespace kavro {
namespace {

bool synchrotron(const Radiation& r) { return r.idesy == RadiationKind::synchrotron_sigma || r.idesy == RadiationKind::synchrotron_pi; }

}  // namespace

void set_monochromator(Radiation& r) {
  r.incident_flux_per_cm2_s = r.alam1 == 1.275f ? 1.1e10f : 1e10f;
  // The sum of squares in double: indices near the int range must not overflow.
  const double squares = static_cast<double>(r.hmono) * r.hmono + static_cast<double>(r.kmono) * r.kmono +
                         static_cast<double>(r.lmono) * r.lmono;
  const float q = std::sqrt(static_cast<float>(squares)) / r.amono;
  r.monochromator_theta_rad = std::asin(r.alam1 * q * 0.5f);
  r.monochromator_dlambda_over_lambda = (2.f / (r.amono * r.amono * r.amono)) * 1000.f * r.fmono * r.alam1 * 2.817938f / (q * q * r.alam1 * 1e8f);
}

void set_monochromator_band(Radiation& r, const Sample& sample) {
  if (!synchrotron(r)) return;
  const float spread = sample.diverp * kLegacyDegToRad / std::tan(r.monochromator_theta_rad);
  r.dlam1 = std::sqrt(spread * spread + r.monochromator_dlambda_over_lambda * r.monochromator_dlambda_over_lambda);
}

bool monochromator_reflects(const Radiation& r) {
  if (!synchrotron(r)) return true;
  return std::isfinite(r.monochromator_theta_rad) && r.monochromator_theta_rad > 0 && std::isfinite(r.monochromator_dlambda_over_lambda);
}

}  // namespace kavro
