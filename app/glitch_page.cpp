#include "glitch_page.hpp"

#include <algorithm>
#include <cstdio>

#include "plot/plotter.hpp"

namespace kavro::app {
namespace {

// The result page's frame and text block (cm).
constexpr float kLeft = 1.0f, kRight = 21.0f, kBottom = 2.5f, kTop = 20.3f;
constexpr float kCurveBottom = 3.0f, kCurveTop = 19.3f;
constexpr float kLabelX = 21.5f;

std::string printed(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

void draw_block(Plotter& p, const GlitchPage& g, const TimeSample& now, double highest, double lowest,
                std::size_t at_lowest) {
  p.fonts(0.5f, "Times-Bold");
  std::string title = g.title;
  title.resize(80, ' ');
  p.symbol(1.0f, 20.5f, title);
  p.fonts(0.4f, "Times-Roman");
  char date[64];
  std::snprintf(date, sizeof date, "%02d.%02d.%04d  %02d:%02d:%02d", now.day, now.month, now.year, now.hour, now.minute,
                now.second);
  p.symbol(kLabelX, 19.8f, date);
  p.fonts(0.5f, "Times-Bold");
  p.symbol(kLabelX, 18.9f, "hkl-prim:  " + std::to_string(g.primary.h) + "  " + std::to_string(g.primary.k) + "  " +
                               std::to_string(g.primary.l));
  p.fonts(0.4f, "Times-Roman");
  p.symbol(kLabelX, 18.2f, "energy scan at psi = " + printed("%.3f deg", g.psi));
  p.symbol(kLabelX, 17.7f, printed("from %.4f keV", g.energy.front()) + printed(" to %.4f keV", g.energy.back()));
  p.symbol(kLabelX, 17.2f, std::to_string(g.energy.size()) + " energies, " +
                               printed("%.4g eV apart", g.energy.size() > 1
                                                            ? (g.energy.back() - g.energy.front()) * 1000 /
                                                                  static_cast<double>(g.energy.size() - 1)
                                                            : 0.0));
  float y = 16.2f;
  for (std::size_t i = 0; i < g.lines.size(); ++i, y -= 0.5f) {
    p.fonts(i == 0 ? 0.45f : 0.4f, i == 0 ? "Times-Bold" : "Times-Roman");
    p.symbol(kLabelX, y, g.lines[i]);
  }
  const std::string decimals = "%." + std::to_string(g.digits) + "f";
  p.fonts(0.4f, "Times-Roman");
  p.symbol(kLabelX, 6.2f, "highest: " + printed(decimals.c_str(), highest));
  p.symbol(kLabelX, 5.7f, "lowest:  " + printed(decimals.c_str(), lowest) +
                              printed(" at %.4f keV", g.energy[at_lowest]));
}

}  // namespace

void write_glitch_page(std::ostream& ps, std::ostream& messages, const GlitchPage& g, const TimeSample& now) {
  Plotter p(ps, messages);
  p.plots();
  p.newpen(0);
  const auto [lo, hi] = std::minmax_element(g.value.begin(), g.value.end());
  const double highest = g.value.empty() ? 0 : *hi, lowest = g.value.empty() ? 0 : *lo;
  draw_block(p, g, now, highest, lowest, g.value.empty() ? 0 : static_cast<std::size_t>(lo - g.value.begin()));
  p.frame(kLeft, kRight, kBottom, kTop);
  // From 0 at the foot to the highest value at the top: a glitch's depth shows as a share of the curve.
  const double top = highest > 0 ? highest : 1;
  std::vector<float> y;
  for (const double v : g.value) y.push_back(kCurveBottom + static_cast<float>(v / top) * (kCurveTop - kCurveBottom));
  p.fonts(0.4f, "Times-Roman");
  p.symbol(-0.3f, kCurveTop, printed(("%." + std::to_string(g.digits) + "f").c_str(), highest), 90.0f);
  p.symbol(-0.3f, kCurveBottom, "0", 90.0f);
  p.plot(0.7f, kCurveTop, kPenUp);
  p.plot(kLeft, kCurveTop, kPenDown);
  p.plot(0.7f, kCurveBottom, kPenUp);
  p.plot(kLeft, kCurveBottom, kPenDown);
  p.fonts(0.5f, "Times-Roman");
  p.symbol(0.4f, 10.0f, g.lines.empty() ? "" : g.lines[1], 90.0f);
  const float step = g.value.size() > 1 ? (kRight - kLeft) / static_cast<float>(g.value.size() - 1) : 0.0f;
  p.line(step, y);
  const double span_ev = (g.energy.back() - g.energy.front()) * 1000;
  p.fonts(0.5f, "Times-Roman");
  p.axis(kLeft, kBottom, "E - " + printed("%.4f", g.energy.front()) + " keV (eV)", kRight - kLeft, 0.0f,
         static_cast<float>(span_ev / (kRight - kLeft)));
  p.plot(0.0f, 0.0f, kEndOfPage);
}

}  // namespace kavro::app
