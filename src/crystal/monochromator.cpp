// The monochromator's Bragg angle, intrinsic width and band.
#include "crystal/monochromator.hpp"

#include <cmath>

#include "crystal/radiation_kind.hpp"
#include "crystal/units.hpp"

namespace kavro {
namespace {

bool synchrotron(const Radiation& r) { return r.idesy == kSynchrotronSigma || r.idesy == kSynchrotronPi; }

}  // namespace

void set_monochromator(Radiation& r) {
  r.dimono = r.alam1 == 1.275f ? 1.1e10f : 1e10f;
  // The sum of squares in double: indices near the int range must not overflow.
  const double squares = static_cast<double>(r.hmono) * r.hmono + static_cast<double>(r.kmono) * r.kmono +
                         static_cast<double>(r.lmono) * r.lmono;
  const float q = std::sqrt(static_cast<float>(squares)) / r.amono;
  r.thmono = std::asin(r.alam1 * q * 0.5f);
  r.wmono = (2.f / (r.amono * r.amono * r.amono)) * 1000.f * r.fmono * r.alam1 * 2.817938f / (q * q * r.alam1 * 1e8f);
}

void set_monochromator_band(Radiation& r, const Sample& sample) {
  if (!synchrotron(r)) return;
  const float spread = sample.diverp * kLegacyDegToRad / std::tan(r.thmono);
  r.dlam1 = std::sqrt(spread * spread + r.wmono * r.wmono);
}

bool monochromator_reflects(const Radiation& r) {
  if (!synchrotron(r)) return true;
  return std::isfinite(r.thmono) && r.thmono > 0 && std::isfinite(r.wmono);
}

}  // namespace kavro
