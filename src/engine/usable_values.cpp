#include "engine/usable_values.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "crystal/lattice.hpp"
#include "crystal/radiation_kind.hpp"

namespace kavro {
namespace {

constexpr float kLargestRotationElement = 9;
constexpr float kLargestTranslation = 10;
constexpr float kLargestRadiusMicrometres = 1e6f;
constexpr std::int64_t kBytesPerScanStep = 24;

}  // namespace

bool describes_cell(const Crystal& c) { return c.a > 0 && c.b > 0 && c.c > 0 && cell_volume_radicand(c) > 0; }

bool usable_line(float lambda, float relative_band, float weight) {
  return lambda > 0 && relative_band >= 0 && relative_band < 2 && weight >= 0;
}

bool usable_wavelengths(const Radiation& r, bool band_given) {
  if (!usable_line(r.alam1, band_given ? r.dlam1 : 0, r.flam1)) return false;
  return r.idesy != RadiationKind::tube || usable_line(r.alam2, r.dlam2, r.flam2);
}

bool usable_radius_micrometres(float radius) { return radius > 0 && radius <= kLargestRadiusMicrometres; }

bool usable_radius_cm(float radius) { return radius > 0 && radius <= kLargestRadiusMicrometres * 1e-4f; }

bool usable_reciprocal_cell(const Crystal& c) {
  const float positive[] = {c.cell_volume_A3, c.reciprocal_volume_per_A3, c.a_star_per_A, c.b_star_per_A, c.c_star_per_A, c.g11, c.g22, c.g33};
  return std::all_of(std::begin(positive), std::end(positive), [](float v) { return std::isfinite(v) && v > 0; }) &&
         std::isfinite(c.g12) && std::isfinite(c.g13) && std::isfinite(c.g23);
}

bool usable_divergences(const Sample& s) { return s.diverp >= 0 && s.divers >= 0 && s.eta >= 0; }

bool usable_operator(const Vec3& t, const Mat3& r) {
  for (int j = 0; j < 3; ++j) {
    if (!(std::fabs(t[j]) <= kLargestTranslation)) return false;
    for (float element : r[j])
      if (!(std::fabs(element) <= kLargestRotationElement) || element != std::trunc(element)) return false;
  }
  return true;
}

bool psi_range_within_bounds(const PsiGrid& g, RadiationKind idesy) {
  const bool half_turns = g.psia >= -180 && g.psie <= 180;
  return idesy == RadiationKind::tube ? half_turns : half_turns || (g.psia >= 0 && g.psie <= 360);
}

std::int64_t most_scan_steps(const RunLimits& limits) { return limits.memory_bytes / 2 / kBytesPerScanStep; }

}  // namespace kavro
