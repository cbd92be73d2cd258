#include "map/map_html.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

#include "crystal/radiation_kind.hpp"
#include "engine/event_intensity.hpp"
#include "format/input_reader.hpp"
#include "map/level_scans.hpp"
#include "report/html_report.hpp"
#include "report/web_assets.hpp"

namespace kavro::map {
namespace {

using json = nlohmann::ordered_json;

double rounded(double value, double unit) { return std::round(value / unit) * unit; }

// Four significant digits: enough for a colour and a label.
double significant(double value) {
  if (!(value != 0) || !std::isfinite(value)) return 0;
  const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(value))) - 3);
  return rounded(value, unit);
}

json indices(const Hkl& h) { return json::array({h[0], h[1], h[2]}); }

json curve_data(const MapCurve& c, const Hkl& h1) {
  json e = json::array(), a = json::array(), b = json::array(), s = json::array();
  for (const MapPoint& p : c.points) {
    e.push_back(rounded(p.at.energy, 1e-5));
    a.push_back(rounded(p.at.psi_a, 1e-4));
    b.push_back(rounded(p.at.psi_b, 1e-4));
    s.push_back(significant(p.strength));
  }
  return {{"h2", indices(c.h2)}, {"h3", indices(coupling_reflection(h1, c.h2))}, {"line", c.line + 1},
          {"peak", significant(c.peak)}, {"fwhm", significant(c.fwhm)}, {"energy", e}, {"psi_1", a},
          {"psi_2", b}, {"strength", s}};
}

// The page's scans at the levels: at most 41 energies of 800 bins, each
// bin's lowest and highest value, four significant digits: at most 65600
// numbers, about half a megabyte.
constexpr std::size_t kPageScanLevels = 41, kPageScanBins = 800;

json level_scan_data(const PsiEnergyMap& m, const PsiDomain& domain) {
  const LevelScans scans = level_scans(m, domain, kPageScanLevels, kPageScanBins);
  json energies = json::array(), lowest = json::array(), highest = json::array();
  for (const LevelScan& level : scans.levels) {
    energies.push_back(rounded(level.energy, 1e-5));
    json low = json::array(), high = json::array();
    for (std::size_t i = 0; i < level.lowest.size(); ++i) {
      low.push_back(significant(level.lowest[i]));
      high.push_back(significant(level.highest[i]));
    }
    lowest.push_back(std::move(low));
    highest.push_back(std::move(high));
  }
  return {{"psi_from", scans.psi_from}, {"bin_width", scans.bin_width}, {"energies", energies},
          {"lowest", lowest}, {"highest", highest}};
}

const char* radiation_name(RadiationKind idesy) {
  if (idesy == RadiationKind::tube) return "tube, both lines";
  if (idesy == RadiationKind::synchrotron_pi) return "synchrotron, pi polarization";
  return "synchrotron, sigma polarization";
}

bool marker_text(std::string_view name, const std::string& title, const json& document, std::ostream& out) {
  if (name == "TITLE")
    out << html_text(title);
  else if (name == "DATA")
    out << script_safe_json(document);
  else if (name == "WHOLE")
    out << "map";
  else if (name == "MAP_JS")
    out << web::map_js();
  else if (name == "MAP_CSS")
    out << web::map_css();
  else
    return false;
  return true;
}

}  // namespace

json map_document(const MapPage& page) {
  const PsiEnergyMap& m = page.map;
  const Primary& pr = page.calculation.primary;
  const Hkl h1{pr.h, pr.k, pr.l};
  std::vector<std::size_t> order(m.curves.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t i, std::size_t j) { return m.curves[i].peak > m.curves[j].peak; });
  json curves = json::array();
  for (const std::size_t i : order) curves.push_back(curve_data(m.curves[i], h1));
  json windows = json::array();
  for (const SafeWindow& w : page.windows)
    windows.push_back({{"from", rounded(w.from, 1e-3)}, {"to", rounded(w.to, 1e-3)},
                       {"before", w.left ? indices(*w.left) : json(nullptr)},
                       {"after", w.right ? indices(*w.right) : json(nullptr)}, {"wraps", w.wraps}});
  const double to = page.domain.full_turn() ? page.domain.from + 360 : page.domain.to;
  return {{"title", std::string(ff::trim(page.title))},
          {"primary", indices(h1)},
          {"radiation", radiation_name(page.calculation.radiation.idesy)},
          {"energy_from", m.e_lo},
          {"energy_to", m.e_hi},
          {"levels", m.level_energies.size()},
          {"threshold", m.threshold},
          {"min_width", rounded(page.min_width, 1e-4)},
          {"psi_from", page.domain.from},
          {"psi_to", to},
          {"full_turn", page.domain.full_turn()},
          {"reflections_met", m.orbits},
          {"windows", windows},
          {"curves", curves},
          {"scans", level_scan_data(m, page.domain)}};
}

void write_map_html(std::ostream& out, const MapPage& page) {
  const json document = map_document(page);
  const std::string trimmed(ff::trim(page.title));
  const std::string title = trimmed.empty() ? "kavro-99 psi-energy map" : "kavro-99 map: " + trimmed;
  write_page(out, web::map_template(), [&](std::string_view name, std::ostream& text) {
    return marker_text(name, title, document, text);
  });
}

}  // namespace kavro::map
