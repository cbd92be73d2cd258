// The map's page in the result page's landscape frame: psi on x 2.2..20.2 cm,
// the energy range on y 2.5..20.3 cm with its numbers left of the frame, the
// parameter block and the grey key from x 22 cm; text at the result page's
// sizes.
#include "map/map_page.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "crystal/radiation_kind.hpp"
#include "format/fixed_format.hpp"
#include "format/input_reader.hpp"
#include "map/map_csv.hpp"
#include "plot/plotter.hpp"

namespace kavro::map {
namespace {

constexpr float kLeft = 2.2f, kRight = 20.2f, kBottom = 2.5f, kTop = 20.3f;
constexpr float kLabelX = 22.0f, kValueX = 25.0f;
constexpr float kBandGray = 0.85f;
constexpr std::size_t kLabelled = 12;
constexpr std::size_t kListedWindows = 10;
constexpr float kLabelSize = 0.35f;       // cm, the h2 labels
constexpr float kLabelCharWidth = 0.15f;  // cm per character of a label, generously
constexpr int kKeySteps = 12;

// A label's box on the page, kept apart from the others.
struct Box {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool meets(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

struct Scale {
  double psi_from = 0, psi_span = 360, e_lo = 0, e_span = 0;

  float x(double psi) const { return kLeft + static_cast<float>((psi - psi_from) / psi_span) * (kRight - kLeft); }
  // A map at a single energy spreads it over the whole height.
  float y(double energy) const {
    if (e_span == 0) return (kBottom + kTop) / 2;
    return kBottom + static_cast<float>((energy - e_lo) / e_span) * (kTop - kBottom);
  }
};

// Strongest curves black, those at the threshold light grey, on a logarithmic scale.
float gray_of(float peak, float threshold, float strongest) {
  if (!(strongest > threshold) || !(threshold > 0)) return 0;
  const double share = std::log(peak / threshold) / std::log(strongest / threshold);
  return static_cast<float>(0.75 * (1 - std::clamp(share, 0.0, 1.0)));
}

// One formatted field without its line end.
std::string field(std::string_view fmt, std::initializer_list<ff::Arg> items) {
  std::string text = ff::format(fmt, items);
  text.pop_back();
  return std::string(ff::trim(text));
}

void draw_run(Plotter& p, const std::vector<float>& x, const std::vector<float>& y) {
  if (x.empty()) return;
  if (x.size() == 1) {
    p.plot(x[0], y[0] - 0.15f, kPenUp);
    p.plot(x[0], y[0] + 0.15f, kPenDown);
    return;
  }
  p.line1(x, y, kRight - kLeft);
}

// One branch of a curve, left out where it leaves a partial psi domain.
void draw_branch(Plotter& p, const MapCurve& c, bool first, const PsiDomain& domain, const Scale& s) {
  std::vector<float> x, y;
  for (const MapPoint& pt : c.points) {
    const double psi = psi_in_turn(first ? pt.at.psi_a : pt.at.psi_b, domain.from);
    if (!domain.full_turn() && psi > domain.to) {
      draw_run(p, x, y);
      x.clear();
      y.clear();
      continue;
    }
    x.push_back(s.x(psi));
    y.push_back(s.y(pt.at.energy));
  }
  draw_run(p, x, y);
}

void draw_bands(Plotter& p, const std::vector<SafeWindow>& windows, const PsiDomain& domain, const Scale& s) {
  const double turn_end = domain.from + 360;
  for (const SafeWindow& w : windows) {
    p.shade(s.x(w.from), s.x(std::min(w.to, turn_end)), kBottom, kTop, kBandGray);
    if (w.to > turn_end) p.shade(s.x(domain.from), s.x(w.to - 360), kBottom, kTop, kBandGray);
  }
  p.gray(0);
}

// The h2 of the strongest curves, each on a white box at a point of one of
// its branches where it meets no other label (tried from the middle of the
// curve outward); a curve with no free place goes unlabelled.
void draw_labels(Plotter& p, const PsiEnergyMap& map, const std::vector<std::size_t>& order, const PsiDomain& domain,
                 const Scale& s) {
  p.fonts(kLabelSize, "Times-Roman");
  std::vector<Box> placed;
  for (std::size_t n = 0; n < order.size() && placed.size() < kLabelled; ++n) {
    const MapCurve& c = map.curves[order[order.size() - 1 - n]];
    const std::string text = field("(3I4)", {c.h2[0], c.h2[1], c.h2[2]});
    const float width = kLabelCharWidth * static_cast<float>(text.size()) + 0.1f;
    bool done = false;
    for (const double share : {0.5, 0.35, 0.65, 0.2, 0.8, 0.08, 0.92}) {
      for (const bool first : {true, false}) {
        const MapPoint& pt = c.points[static_cast<std::size_t>(share * static_cast<double>(c.points.size() - 1))];
        const double psi = psi_in_turn(first ? pt.at.psi_a : pt.at.psi_b, domain.from);
        if (!domain.full_turn() && psi > domain.to) continue;
        const Box box{s.x(psi) + 0.08f, s.y(pt.at.energy) - 0.2f, s.x(psi) + 0.08f + width,
                      s.y(pt.at.energy) + 0.25f};
        if (box.x1 > kRight - 0.05f || box.y0 < kBottom + 0.05f || box.y1 > kTop - 0.05f) continue;
        if (std::any_of(placed.begin(), placed.end(), [&](const Box& b) { return b.meets(box); })) continue;
        p.shade(box.x0, box.x1, box.y0, box.y1, 1.0f);
        p.gray(0);
        p.symbol(box.x0 + 0.05f, box.y0 + 0.08f, text);
        placed.push_back(box);
        done = true;
        break;
      }
      if (done) break;
    }
  }
}

void draw_curves(Plotter& p, const PsiEnergyMap& map, const PsiDomain& domain, const Scale& s) {
  std::vector<std::size_t> order(map.curves.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return map.curves[a].peak < map.curves[b].peak; });
  const float strongest = order.empty() ? 0 : map.curves[order.back()].peak;
  p.line_width(0.3f);
  for (const std::size_t i : order) {
    const MapCurve& c = map.curves[i];
    p.gray(gray_of(c.peak, map.threshold, strongest));
    draw_branch(p, c, true, domain, s);
    draw_branch(p, c, false, domain, s);
  }
  p.gray(0);
  draw_labels(p, map, order, domain, s);
}

// A tick every centimetre under the frame (a full turn: 20 degrees), a number every third.
void draw_psi_ticks(Plotter& p, const Scale& s) {
  p.fonts(0.5f, "Times-Roman");
  const int ticks = static_cast<int>(std::lround(kRight - kLeft));
  for (int i = 0; i <= ticks; ++i) {
    const float x = kLeft + static_cast<float>(i);
    p.plot(x, kBottom, kPenUp);
    p.plot(x, kBottom - (i % 3 == 0 ? 0.3f : 0.15f), kPenDown);
    if (i % 3 == 0) p.number(x - 0.75f, kBottom - 0.8f, static_cast<float>(s.psi_from + s.psi_span * i / ticks), 71);
  }
  p.symbol((kLeft + kRight) / 2 - 1.3f, kBottom - 1.5f, "psi (degrees)");
}

void draw_energy_ticks(Plotter& p, const Scale& s) {
  p.fonts(0.5f, "Times-Roman");
  for (int i = 0; i <= 4; ++i) {
    const double energy = s.e_lo + s.e_span * i / 4;
    const float y = s.y(energy);
    p.plot(kLeft, y, kPenUp);
    p.plot(kLeft + 0.2f, y, kPenDown);
    p.number(kLeft - 1.7f, y - 0.15f, static_cast<float>(energy), 73);
    if (s.e_span == 0) break;
  }
  p.symbol(0.7f, kBottom + 0.56f * (kTop - kBottom), "E (keV)", 90.0f);  // between two numbers
}

// The grey levels of the curves from the threshold to the strongest.
void draw_key(Plotter& p, float threshold, float strongest, float top) {
  const float x0 = kLabelX, x1 = kLabelX + 0.6f, bottom = top - 4.0f;
  p.fonts(0.4f, "Times-Bold");
  p.symbol(x0, top + 0.35f, "strength (cps)");
  const float step = (top - bottom) / kKeySteps;
  for (int i = 0; i < kKeySteps; ++i) {
    const float share = (static_cast<float>(i) + 0.5f) / kKeySteps;
    const float strength = threshold * std::pow(std::max(strongest, threshold) / threshold, share);
    p.shade(x0, x1, bottom + step * static_cast<float>(i), bottom + step * static_cast<float>(i + 1),
            gray_of(strength, threshold, strongest));
  }
  p.gray(0);
  p.frame(x0, x1, bottom, top);
  p.fonts(0.4f, "Times-Roman");
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", static_cast<double>(threshold));
  p.symbol(x1 + 0.2f, bottom, text);
  std::snprintf(text, sizeof text, "%.4g", static_cast<double>(std::max(strongest, threshold)));
  p.symbol(x1 + 0.2f, top - 0.3f, text);
  p.symbol(x1 + 0.2f, (bottom + top) / 2 - 0.15f, "log scale");
}

const char* radiation_name(RadiationKind idesy) {
  if (idesy == RadiationKind::tube) return "tube, both lines";
  if (idesy == RadiationKind::neutrons) return "neutrons";
  return "synchrotron";
}

void draw_parameters(Plotter& p, const MapPage& page, const TimeSample& now) {
  p.fonts(0.5f, "Times-Bold");
  p.symbol(kLabelX, 20.0f, "Psi-energy map");
  p.fonts(0.4f, "Times-Roman");
  char date[48];
  std::snprintf(date, sizeof date, "%02d.%02d.%04d  %02d:%02d", now.day, now.month, now.year, now.hour, now.minute);
  p.symbol(kLabelX, 19.3f, date);
  const Primary& pr = page.calculation.primary;
  p.symbol(kLabelX, 18.6f, "hkl-prim:");
  p.number(kValueX, 18.6f, static_cast<float>(pr.h), -1);
  p.number(kValueX + 0.8f, 18.6f, static_cast<float>(pr.k), -1);
  p.number(kValueX + 1.6f, 18.6f, static_cast<float>(pr.l), -1);
  p.symbol(kLabelX, 18.0f, radiation_name(page.calculation.radiation.idesy));
  p.symbol(kLabelX, 17.4f, "E from (keV):");
  p.number(kValueX, 17.4f, static_cast<float>(page.map.e_lo), 83);
  p.symbol(kLabelX, 16.9f, "to (keV):");
  p.number(kValueX, 16.9f, static_cast<float>(page.map.e_hi), 83);
  p.fonts(0.35f, "Times-Roman");
  p.symbol(kLabelX, 16.4f, "strength: |I/FWHM| s2 (cps), I the larger");
  p.symbol(kLabelX, 16.0f, "of Ikavro and Iaufhe, as the run's drumin");
  p.fonts(0.4f, "Times-Roman");
  p.symbol(kLabelX, 15.4f, "threshold (cps):");
  char threshold[32];
  std::snprintf(threshold, sizeof threshold, "%.4g", static_cast<double>(page.map.threshold));
  p.symbol(kValueX + 0.6f, 15.4f, threshold);
  p.symbol(kLabelX, 14.9f, "events drawn:");
  p.number(kValueX + 0.6f, 14.9f, static_cast<float>(page.map.curves.size()), -1);
  p.symbol(kLabelX, 14.4f, "reflections met:");
  p.number(kValueX + 0.6f, 14.4f, static_cast<float>(page.map.orbits), -1);
  p.symbol(kLabelX, 13.9f, "min. width (deg):");
  p.number(kValueX + 0.6f, 13.9f, static_cast<float>(page.min_width), 83);
  p.fonts(0.4f, "Times-Bold");
  p.symbol(kLabelX, 13.2f, "Safe windows (deg):");
  p.fonts(0.35f, "Times-Roman");
  p.symbol(kLabelX, 12.75f, "scan within the threshold of I-prim");
  p.fonts(0.4f, "Times-Roman");
  for (std::size_t i = 0; i < std::min(kListedWindows, page.windows.size()); ++i) {
    const SafeWindow& w = page.windows[i];
    p.symbol(kLabelX, 12.2f - 0.45f * static_cast<float>(i), field("(F8.2,' to',F8.2)", {w.from, w.end_in_domain()}));
  }
  if (page.windows.empty()) p.symbol(kLabelX, 12.2f, "none that wide");
  float strongest = 0;
  for (const MapCurve& c : page.map.curves) strongest = std::max(strongest, c.peak);
  draw_key(p, page.map.threshold, strongest, 7.0f);
}

}  // namespace

void write_map_page(std::ostream& ps, std::ostream& listing, const MapPage& page, const TimeSample& now) {
  Plotter p(ps, listing);
  p.plots();
  const double to = page.domain.full_turn() ? page.domain.from + 360 : page.domain.to;
  const Scale s{page.domain.from, to - page.domain.from, page.map.e_lo, page.map.e_hi - page.map.e_lo};
  draw_bands(p, page.windows, page.domain, s);
  draw_curves(p, page.map, page.domain, s);
  p.frame(kLeft, kRight, kBottom, kTop);
  draw_psi_ticks(p, s);
  draw_energy_ticks(p, s);
  p.fonts(0.5f, "Times-Bold");
  p.symbol(kLeft - 1.2f, 20.7f, page.title);
  draw_parameters(p, page, now);
  p.plot(0, 0, kEndOfPage);
}

}  // namespace kavro::map
