// The result page: prolog, frame, psi axis, legend and the order of the blocks.
#include "plot/uplot.hpp"

#include <cmath>
#include <limits>

#include "plot/page_layout.hpp"
#include "plot/plotter.hpp"

namespace kavro {

namespace page {

PsiScale psi_scale(const PsiGrid& grid) {
  PsiScale scale;
  // nint((psie - psia) zsw) steps, halves rounded away from zero.
  const float rounded = std::round((grid.psie - grid.psia) * grid.steps_per_degree);
  if (rounded >= 0.0f && rounded < static_cast<float>(std::numeric_limits<int>::max() / 2)) {
    scale.points = static_cast<int>(rounded) + 1;
  }
  scale.degrees_per_cm = (grid.psie - grid.psia) * 0.05f;
  const float step = 1.0f / (grid.steps_per_degree * scale.degrees_per_cm);
  // An empty psi window or a zero step density has no step length on paper.
  scale.step_cm = std::isfinite(step) ? step : 0.0f;
  return scale;
}

}  // namespace page

namespace {

// Frame of the psi-scan plot and the intensity labels up its left side:
//   newpath   28.3 127.6 m  0  447.9 rl  566.9 0 rl 0 -447.9 rl closepath
//     0.5 setlinewidth st
//   I-obs (cps) at (0.7, 15.5) and I-calc (cps) at (0.7, 7.5), turned by 90
//   degrees; without a measured scan I-calc (cps) alone at (0.7, 15.5). With
//   the residual band of a fit under both scans, (obs-fit)/sigma at
//   (0.7, 4.7), I-calc at (0.7, 9.6) and I-obs at (0.7, 15.6).
void draw_scan_frame(Plotter& p, const PageContent& st) {
  p.frame(page::kLeft, page::kRight, page::kScanBottom, page::kScanTop);
  p.fonts(0.5f, "Times-Roman");
  if (st.residuals) {
    p.symbol(0.7f, 15.6f, "I-obs (cps)", 90.0f);
    p.symbol(0.7f, 9.6f, "I-calc (cps)", 90.0f);
    p.symbol(0.7f, 4.7f, "(obs-fit)/sigma", 90.0f);
  } else if (page::has_measured_scan(st)) {
    p.symbol(0.7f, 15.5f, "I-obs (cps)", 90.0f);
    p.symbol(0.7f, 7.5f, "I-calc (cps)", 90.0f);
  } else {
    p.symbol(0.7f, 15.5f, st.quantity ? st.quantity->axis : "I-calc (cps)", 90.0f);
  }
}

// The psi axis under the band (Symbol "y" prints psi), lambda beside the band,
// and the legend telling which events the band shows.
void draw_axis_and_legend(Plotter& p, const PsiGrid& grid, const CalculatedScan& calculated,
                          const CalculationOptions& options, const page::PsiScale& scale) {
  p.dash(0);
  p.fonts(0.5f, "Symbol");
  p.axis(page::kLeft, page::kBandBottom, "y", page::kAxisLength, grid.psia, scale.degrees_per_cm);
  p.fonts(0.5f, "Symbol");
  p.symbol(0.5f, 3.2f, "l");
  p.transl(-0.5f, 0.0f);
  p.symbo1(calculated.nstore_plot, calculated.nlist_plot, options.drumin);
}

}  // namespace

void uplot(const PageContent& st, std::ostream& ps, std::ostream& listing, const TimeSample& now) {
  Plotter p(ps, listing);
  const page::PsiScale scale = page::psi_scale(st.grid);
  p.plots();
  p.newpen(0);
  page::draw_text_block(p, st, now);
  draw_scan_frame(p, st);
  page::draw_scan_curves(p, st, scale);
  page::draw_psi_lambda_band(p, st.radiation, st.primary, st.grid, st.calculated, scale);
  draw_axis_and_legend(p, st.grid, st.calculated, st.options, scale);
  p.plot(0.0f, 0.0f, kEndOfPage);
}

void uplot(const PageContent& st, std::ostream& ps, std::ostream& listing) { uplot(st, ps, listing, current_time()); }

}  // namespace kavro
