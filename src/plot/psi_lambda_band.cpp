// The psi-lambda diagram under the psi-scan: for every stored event the psi
// at which its secondary reciprocal-lattice point h2 meets the Ewald sphere,
// as the wavelength runs across the band of the radiation.
//
// With the event's alpha (signed azimuth of h2, radians), q2 = |h2|^2,
// q1 = |H1|^2, t = |H1| p and r = |h2|^2 - p^2 (lengths in 1/Angstrom), h2
// lies on the sphere of radius 1/lambda at the two azimuths
//   psi = alpha -+ acos( (q2 - t) / (2 sqrt(r (1/lambda^2 - q1/4))) ),
// provided 2/lambda reaches |h2|; the diffractometer's offset PsiD is added.
// Psi in degrees, lambda in Angstrom.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "crystal/units.hpp"
#include "plot/page_layout.hpp"

namespace kavro::page {

namespace {

constexpr int kWavelengthSteps = 1000;

// One branch of an event's curve: points in cm, wavelength increasing.
struct Branch {
  std::vector<float> x, y;
  bool empty() const { return x.empty(); }
};

// The wavelength band on the page: lam_min at the foot, lam_max at the top.
struct WavelengthBand {
  float lam_min = 0;
  float lam_max = 0;

  float width() const { return lam_max - lam_min; }
  // Wavelength i of 0..1000, the last one exactly lam_max.
  float wavelength(int i) const {
    if (i == kWavelengthSteps) return lam_max;
    return lam_min + static_cast<float>(i) * std::fabs(width()) / kWavelengthSteps;
  }
  // Height of wavelength i in the 2 cm band. A band of a single wavelength
  // spreads its one value over the whole height, so each event shows as an
  // upright line at its psi.
  float height(int i) const {
    if (width() == 0.0f) return kBandBottom + static_cast<float>(i) / (kWavelengthSteps / 2);
    return kBandBottom + (wavelength(i) - lam_min) / (width() / 2.0f);
  }
  // Height of the far end of a wavelength line's band that begins at `from`:
  // two half widths `half` (negative to go down) away; on `from` itself when
  // the band has no width.
  float boundary(float from, float half) const {
    const float y = from + 4.0f * half / width();
    return std::isfinite(y) ? y : from;
  }
};

// A psi in degrees folded into -180..180; synchrotron and neutron runs whose
// window starts at 0 or above count psi in 0..360.
float folded_psi(float psi, const Radiation& radiation, const PsiGrid& grid) {
  if (psi > 180.0f) psi -= 360.0f;
  else if (psi < -180.0f) psi += 360.0f;
  if (radiation.idesy != RadiationKind::tube && grid.psia >= 0.0f && psi < 0.0f) psi += 360.0f;
  return psi;
}

// Adds (psi, height) to the branch when psi lies in the window psia < psi <= psie.
void add_point(Branch& branch, float psi, float y, const PsiGrid& grid, const PsiScale& scale) {
  if (!(grid.psia < psi && psi <= grid.psie)) return;
  branch.x.push_back(kLeft + (psi - grid.psia) / scale.degrees_per_cm);
  branch.y.push_back(y);
}

// Both branches of one event across the band.
void trace_event(const std::array<float, 6>& event, const Radiation& radiation, const Primary& primary,
                 const PsiGrid& grid, const PsiScale& scale, const WavelengthBand& band, Branch& a, Branch& b) {
  const float alpha = event[0], q2 = event[1], q1 = event[2], t = event[3], r = event[4];
  for (int i = 0; i <= kWavelengthSteps; ++i) {
    const float lambda = band.wavelength(i);
    const float inverse_sq = 1.0f / (lambda * lambda);
    if (q2 > 4.0f * inverse_sq) continue;  // h2 beyond the reach of the sphere
    const float c = 0.5f * (q2 - t) / std::sqrt(r * (inverse_sq - q1 / 4.0f));
    if (!(c >= -1.0f && c <= 1.0f)) continue;
    const float w = std::acos(c);
    const float y = band.height(i);
    add_point(a, folded_psi((alpha - w) * kLegacyRadToDeg + primary.psi_offset_deg, radiation, grid), y, grid, scale);
    add_point(b, folded_psi((alpha + w) * kLegacyRadToDeg + primary.psi_offset_deg, radiation, grid), y, grid, scale);
  }
}

// A curve that leaves the plot through a side is drawn to that side: its end
// point moves onto the nearer edge x = 1 or x = 21 (the dividing line lies at
// x = 10).
float snapped_to_edge(float x) { return std::fabs(x - 1.0f) < std::fabs(x - 19.0f) ? kLeft : kRight; }

void snap_first(Branch& branch) {
  if (branch.y.front() != kBandBottom) branch.x.front() = snapped_to_edge(branch.x.front());
}
void snap_last(Branch& branch) {
  if (branch.y.back() != kBandTop) branch.x.back() = snapped_to_edge(branch.x.back());
}

// A branch drawn on its own: both ends snapped.
void draw_branch(Plotter& p, Branch& branch) {
  snap_last(branch);
  snap_first(branch);
  p.line1(branch.x, branch.y, kAxisLength);
}

// Two branches: their starts snapped; ends closer than 18 cm are the two
// sides of a curve turning back in psi and are joined by a stroke, farther
// ends are snapped.
void draw_event(Plotter& p, Branch& a, Branch& b) {
  if (a.empty() || b.empty()) {
    if (!a.empty()) draw_branch(p, a);
    if (!b.empty()) draw_branch(p, b);
    return;
  }
  snap_first(a);
  snap_first(b);
  if (std::fabs(a.x.back() - b.x.back()) < 0.9f * kAxisLength) {
    p.plot(a.x.back(), a.y.back(), kPenUp);
    p.plot(b.x.back(), b.y.back(), kPenDown);
  } else {
    snap_last(a);
    snap_last(b);
  }
  p.line1(a.x, a.y, kAxisLength);
  p.line1(b.x, b.y, kAxisLength);
}

// The dash pattern of an extinction code stored as a real; -1 (no pattern
// line) for a value that is not a number.
int dash_pattern(float code) {
  if (!std::isfinite(code)) return -1;
  return static_cast<int>(std::lround(std::clamp(code, -1.0f, 9.0f)));
}

}  // namespace

// Frame of the band; solid lines at the upper end of line 1's wavelength band
// and the lower end of line 2's; then one curve per stored event, its dash
// pattern telling the extinction code (0 solid, 2 [2 3], 3 [6 4 2 4]).
void draw_psi_lambda_band(Plotter& p, const Radiation& radiation, const Primary& primary, const PsiGrid& grid,
                          const CalculatedScan& calculated, const PsiScale& scale) {
  const WavelengthBand band{radiation.lambda_min_A, radiation.lambda_max_A};
  p.frame(kLeft, kRight, kBandBottom, kBandTop);
  p.dash(0);
  const float line1_top = band.boundary(kBandBottom, radiation.half_width1_A);
  const float line2_foot = band.boundary(kBandTop, -radiation.half_width2_A);
  p.plot(kLeft, line1_top, kPenUp);
  p.plot(kRight, line1_top, kPenDown);
  p.plot(kLeft, line2_foot, kPenUp);
  p.plot(kRight, line2_foot, kPenDown);
  p.dash(1);
  const auto count =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(calculated.nstore_plot, 0)), calculated.psilam.size());
  for (std::size_t j = 0; j < count; ++j) {
    const std::array<float, 6>& event = calculated.psilam[j];
    p.dash(dash_pattern(event[5]));
    Branch a, b;
    trace_event(event, radiation, primary, grid, scale, band, a, b);
    draw_event(p, a, b);
  }
}

}  // namespace kavro::page
