// The calculated and measured psi-scans of the result page. Intensities
// (cps) become heights in cm, linear between the scan's minimum at the foot of
// its band and its maximum (or the chosen display maximum zeimax) at the top.
// The page of a fit shows the normalised residuals in a band of their own
// under both scans.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "plot/page_layout.hpp"

namespace kavro::page {

namespace {

// Where a curve's intensities go on the page: bottom .. bottom + height.
struct Band {
  float bottom = 0;
  float height = 0;
  float imin = 0;
  float imax = 0;  // the display maximum; higher intensities are clipped to it

  // Fraction of the band for intensity i, clipped at the display maximum and
  // kept inside the band. A band whose maximum equals its minimum (a flat
  // measured scan, or zeimax at the scan's minimum) shows everything at its
  // foot; an undefined intensity has no fraction.
  std::optional<float> fraction(float i) const {
    const float span = imax - imin;
    if (std::isnan(i)) return std::nullopt;
    if (span == 0.0f) return 0.0f;
    const float q = (std::min(i, imax) - imin) / span;
    if (std::isnan(q)) return 0.0f;
    return std::clamp(q, 0.0f, 1.0f);
  }
  std::optional<float> height_of(float i) const {
    const std::optional<float> q = fraction(i);
    if (!q) return std::nullopt;
    return bottom + height * *q;
  }
  float top() const { return bottom + height; }
};

// A mark at height y: a stroke 0.7..1.0 left of the frame, its label at
// x -0.3, a stroke 21.0..21.3 right of it.
//     19.8   190.4 m
//     28.3   190.4 l st
//     -8.5   190.4 m
// (Imax) s
//    595.3   190.4 m
//    603.8   190.4 l st
void draw_mark(Plotter& p, float y, std::string_view label) {
  p.plot(0.7f, y, kPenUp);
  p.plot(kLeft, y, kPenDown);
  p.symbol(-0.3f, y, label);
  p.plot(kRight, y, kPenUp);
  p.plot(21.3f, y, kPenDown);
}

// The first `count` values of a scan array; missing entries become `fill`.
std::vector<float> first_values(const std::vector<float>& scan, int count, float fill) {
  std::vector<float> values(static_cast<std::size_t>(count), fill);
  std::copy_n(scan.begin(), std::min(scan.size(), values.size()), values.begin());
  return values;
}

// The residual band: 3 cm at the foot of the frame, symmetric about zero.
constexpr float kResidualBottom = 4.8f;
constexpr float kResidualHeight = 3.0f;

// Curve heights in one band per scan: 7 cm each when a measured scan is
// drawn above the calculated one, 14 cm for the calculated scan alone, 5 cm
// each above a residual band.
float curve_height(const PageContent& st) {
  if (st.residuals) return 5.0f;
  return has_measured_scan(st) ? 7.0f : 14.0f;
}

// The foot of the calculated band, above the residual band when there is one.
float calculated_bottom(const PageContent& st) {
  return st.residuals ? kResidualBottom + kResidualHeight + 1.0f : kResidualBottom;
}

// A display maximum zeimax > 0 replaces both scans' maxima.
float display_maximum(const PageContent& st, float imax) { return st.zeimax > 0.0f ? st.zeimax : imax; }

// Marks Iprim, Imax, Imin; "Iprim-calc(cps):" with F9.2; the curve by `line`.
// A scan of another quantity has the marks max and min only.
void draw_calculated(Plotter& p, const PageContent& st, const PsiScale& scale) {
  const Band band{calculated_bottom(st), curve_height(st), st.calculated.imin_calc,
                  display_maximum(st, st.calculated.imax_calc)};
  std::vector<float> y = first_values(st.calculated.scan_calc, scale.points, band.imin);
  for (float& v : y) v = band.height_of(v).value_or(band.bottom);
  p.newpen(0);
  if (st.quantity) {
    draw_mark(p, band.top(), "max");
    draw_mark(p, band.bottom, "min");
    p.line(scale.step_cm, y);
    return;
  }
  if (const auto prim = band.height_of(st.calculated.iprim_calc)) draw_mark(p, *prim, "Iprim");
  draw_mark(p, band.top(), "Imax");
  draw_mark(p, band.bottom, "Imin");
  p.symbol(21.5f, 5.0f, "Iprim-calc(cps):");
  p.number(24.8f, 5.0f, st.calculated.iprim_calc, 92);
  p.line(scale.step_cm, y);
}

// Marks as for the calculated scan (Iprim only when it lies above the
// minimum); "Iprim-obs (cps):" with F9.2; the curve in red by `line2`,
// shifted by nshift steps, bridging the steps without measurement.
void draw_measured(Plotter& p, const PageContent& st, const PsiScale& scale) {
  const float h = curve_height(st);
  const Band band{calculated_bottom(st) + h + 1.0f, h, st.measured.imin_obs, display_maximum(st, st.measured.imax_obs)};
  std::vector<float> y = first_values(st.measured.scan_obs, scale.points, kGapMarker);
  for (float& v : y) {
    if (v < kGapMarker) v = band.height_of(v).value_or(kGapMarker);
  }
  if (st.measured.iprim_obs > st.measured.imin_obs) {
    if (const auto prim = band.height_of(st.measured.iprim_obs)) draw_mark(p, *prim, "Iprim");
  }
  draw_mark(p, band.top(), "Imax");
  draw_mark(p, band.bottom, "Imin");
  p.symbol(21.5f, 13.4f, "Iprim-obs (cps):");
  p.number(24.8f, 13.4f, st.measured.iprim_obs, 92);
  p.newpen(1);
  p.line2(scale.step_cm, y, st.calculated.nshift);
  p.newpen(0);
}

// The half range of the residual band: the largest |residual| rounded up to
// 3, 5, 10, 20, 50, ... so that a good fit fills about half of the band.
float residual_range(const std::vector<float>& normalised) {
  float largest = 0.0f;
  for (float r : normalised) {
    if (r < kGapMarker && std::isfinite(r)) largest = std::max(largest, std::fabs(r));
  }
  if (largest <= 3.0f) return 3.0f;
  for (float decade = 1.0f;; decade *= 10.0f) {
    for (float mantissa : {5.0f, 10.0f, 20.0f}) {
      if (largest <= mantissa * decade || decade > 1.0e18f) return mantissa * decade;
    }
  }
}

// The residuals (measured - fitted) / sigma in blue, clipped to +-range, with a
// dashed zero line and the marks +range, 0 and -range; the steps without a
// measured point are bridged.
void draw_residuals(Plotter& p, const ResidualBand& residuals, const PsiScale& scale) {
  const float range = residual_range(residuals.normalised);
  const float zero = kResidualBottom + 0.5f * kResidualHeight;
  const float cm_per_unit = 0.5f * kResidualHeight / range;
  std::vector<float> y = first_values(residuals.normalised, scale.points, kGapMarker);
  for (float& v : y) {
    if (v < kGapMarker) v = std::isnan(v) ? kGapMarker : zero + cm_per_unit * std::clamp(v, -range, range);
  }
  char label[16];
  p.newpen(0);
  std::snprintf(label, sizeof label, "+%.0f", range);
  draw_mark(p, kResidualBottom + kResidualHeight, label);
  draw_mark(p, zero, "0");
  std::snprintf(label, sizeof label, "-%.0f", range);
  draw_mark(p, kResidualBottom, label);
  p.dash(1);
  p.plot(kLeft, zero, kPenUp);
  p.plot(kRight, zero, kPenDown);
  p.dash(0);
  p.newpen(3);
  p.line2(scale.step_cm, y, 0);
  p.newpen(0);
}

}  // namespace

void draw_scan_curves(Plotter& p, const PageContent& st, const PsiScale& scale) {
  draw_calculated(p, st, scale);
  if (has_measured_scan(st)) draw_measured(p, st, scale);
  if (st.residuals) draw_residuals(p, *st.residuals, scale);
}

}  // namespace kavro::page
