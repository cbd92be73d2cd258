// The parameter block of the result page: when it was plotted, the primary
// reflection and radiation, the simulation parameters and the intensity
// extremes (cps). Drawn 0.5 cm left of the coordinates written here.
#include <string>

#include "format/fixed_format.hpp"
#include "plot/page_layout.hpp"

namespace kavro::page {

namespace {

constexpr float kLabelX = 22.0f;

// Three I2 fields, as in the listing's date lines: 5 April 2001 is " 5 .  4 .  1".
std::string dotted_triple(int a, int b, int c) {
  std::string text = ff::format("(I2,' . ',I2,' . ',I2)", {a, b, c});
  text.pop_back();  // the line end
  return text;
}

// Date: dd . mm . yy     at (22.0, 20.0), the value at x 23.5
// Time: hh . mm . ss     at (22.0, 19.4)
void draw_date(Plotter& p, const TimeSample& now) {
  p.symbol(kLabelX, 20.0f, "Date:");
  p.symbol(23.5f, 20.0f, dotted_triple(now.day, now.month, now.year % 100));
  p.symbol(kLabelX, 19.4f, "Time:");
  p.symbol(23.5f, 19.4f, dotted_triple(now.hour, now.minute, now.second));
}

// hkl-prim:        h    k    l       (Times-Bold, integers at x 25.2, 26.2, 27.2)
// lambda:  wavelength or line symbol  (Symbol "l:", value at x 23.0)
// theta-prim:  F5.2                   (Symbol "q-" + Times "prim:")
// F-prim:      F7.2
// phi-prim:    F7.2                   (Symbol "j-" + Times "prim:")
void draw_primary_reflection(Plotter& p, const Radiation& radiation, const Primary& primary,
                             const CalculatedScan& calculated) {
  p.fonts(0.5f, "Times-Bold");
  p.symbol(kLabelX, 18.5f, "hkl-prim:");
  p.number(25.2f, 18.5f, static_cast<float>(primary.h), -1);
  p.number(26.2f, 18.5f, static_cast<float>(primary.k), -1);
  p.number(27.2f, 18.5f, static_cast<float>(primary.l), -1);
  p.fonts(0.5f, "Symbol");
  p.symbol(kLabelX, 17.5f, "l:");
  p.symbol(kLabelX, 16.8f, "q-");
  p.symbol(kLabelX, 15.6f, "j-");
  p.fonts(0.5f, "Times-Roman");
  if (radiation.wavind == "dl") {
    p.number(23.0f, 17.5f, (radiation.lambda_min_A + radiation.lambda_max_A) / 2.0f, 64);
  } else {
    p.symbol(23.0f, 17.5f, radiation.wavind.substr(0, 2));
  }
  p.symbol(22.5f, 16.8f, "prim:");
  p.number(24.0f, 16.8f, calculated.theta_prim, 52);
  p.symbol(kLabelX, 16.2f, "F-prim:");
  p.number(24.0f, 16.2f, primary.f, 72);
  p.symbol(22.5f, 15.6f, "prim:");
  p.number(24.0f, 15.6f, primary.phi, 72);
}

// Simulation calculated with          (Times-Bold)
// step-width      1/zsw  F5.3         (Times-Roman 11 pt, values at x 25.5)
// divergence-p    F5.3
// divergence-s    F5.3
// mosaic-radius   F5.3 below 10 micrometres, else F5.0
// mosaic-spread   F5.3
// nnn  F5.0   or   without interference term,     (Times-Bold)
// taking into account events
// with I (cps) >  drucut F7.4
void draw_simulation_parameters(Plotter& p, const Sample& sample, const PsiGrid& grid,
                                const CalculationOptions& options) {
  constexpr float kValueX = 25.5f;
  p.fonts(0.5f, "Times-Bold");
  p.symbol(kLabelX, 11.8f, "Simulation calculated with");
  p.fonts(0.4f, "Times-Roman");
  p.symbol(kLabelX, 11.1f, "step-width");
  p.number(kValueX, 11.1f, 1.0f / grid.steps_per_degree, 53);
  p.symbol(kLabelX, 10.6f, "divergence-p");
  p.number(kValueX, 10.6f, sample.diverp, 53);
  p.symbol(kLabelX, 10.1f, "divergence-s");
  p.number(kValueX, 10.1f, sample.divers, 53);
  p.symbol(kLabelX, 9.6f, "mosaic-radius");
  p.number(kValueX, 9.6f, sample.radius, sample.radius < 10.0f ? 53 : 50);
  p.symbol(kLabelX, 9.1f, "mosaic-spread");
  p.number(kValueX, 9.1f, sample.eta, 53);
  p.fonts(0.5f, "Times-Bold");
  if (options.nnn > 0) {
    p.symbol(kLabelX, 8.6f, "nnn");
    p.number(kValueX, 8.6f, static_cast<float>(options.nnn), 50);
  } else {
    p.symbol(kLabelX, 8.4f, "without interference term,");
  }
  p.symbol(kLabelX, 7.8f, "taking into account events");
  p.symbol(kLabelX, 7.2f, "with I (cps) >");
  p.number(25.0f, 7.2f, options.scan_threshold_cps, 74);
}

// The quantity's lines where the simulation parameters stand: the first
// in Times-Bold, the others in Times-Roman 11 pt, 0.5 cm apart.
void draw_quantity_lines(Plotter& p, const PageQuantity& quantity) {
  float y = 11.8f;
  for (std::size_t i = 0; i < quantity.lines.size(); ++i) {
    p.fonts(i == 0 ? 0.5f : 0.4f, i == 0 ? "Times-Bold" : "Times-Roman");
    p.symbol(kLabelX, y, quantity.lines[i]);
    y -= i == 0 ? 0.7f : 0.5f;
  }
}

// Imax-obs (cps):  F9.2     at y 14.6  \  only with a measured scan
// Imin-obs (cps):  F9.2     at y 14.0  /
// Imax-calc(cps):  F9.2     at y  6.2
// Imin-calc(cps):  F9.2     at y  5.6
// The true extremes, before any clipping of the curves.
void draw_extremes(Plotter& p, const MeasuredScan& measured, const CalculatedScan& calculated) {
  constexpr float kValueX = 25.3f;
  p.fonts(0.5f, "Times-Roman");
  if (measured.scan_given > 0) {
    p.symbol(kLabelX, 14.6f, "Imax-obs (cps):");
    p.number(kValueX, 14.6f, measured.imax_obs, 92);
    p.symbol(kLabelX, 14.0f, "Imin-obs (cps):");
    p.number(kValueX, 14.0f, measured.imin_obs, 92);
  }
  p.symbol(kLabelX, 6.2f, "Imax-calc(cps):");
  p.number(kValueX, 6.2f, calculated.imax_calc, 92);
  p.symbol(kLabelX, 5.6f, "Imin-calc(cps):");
  p.number(kValueX, 5.6f, calculated.imin_calc, 92);
}

// Rmax-calc:  F9.4   at y 6.2 (the quantity's labels and decimals)
// Rmin-calc:  F9.4   at y 5.6
void draw_quantity_extremes(Plotter& p, const PageQuantity& quantity, const CalculatedScan& calculated) {
  constexpr float kValueX = 25.3f;
  p.fonts(0.5f, "Times-Roman");
  p.symbol(kLabelX, 6.2f, quantity.maximum);
  p.number(kValueX, 6.2f, calculated.imax_calc, 90 + quantity.digits);
  p.symbol(kLabelX, 5.6f, quantity.minimum);
  p.number(kValueX, 5.6f, calculated.imin_calc, 90 + quantity.digits);
}

}  // namespace

void draw_text_block(Plotter& p, const PageContent& st, const TimeSample& now) {
  constexpr std::size_t kTitleLength = 80;
  std::string title = st.title;
  title.resize(kTitleLength, ' ');
  p.fonts(0.5f, "Times-Bold");
  p.symbol(1.0f, 20.5f, title);
  p.fonts(0.5f, "Times-Roman");
  p.transl(-0.5f, 0.0f);
  draw_date(p, now);
  draw_primary_reflection(p, st.radiation, st.primary, st.calculated);
  if (st.quantity) {
    draw_quantity_lines(p, *st.quantity);
    draw_quantity_extremes(p, *st.quantity, st.calculated);
  } else {
    draw_simulation_parameters(p, st.sample, st.grid, st.options);
    draw_extremes(p, st.measured, st.calculated);
  }
  p.transl(0.5f, 0.0f);
}

}  // namespace kavro::page
