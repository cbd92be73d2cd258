#include "map_result.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <sstream>

#include "crystal/radiation_kind.hpp"
#include "crystal/run_stop.hpp"
#include "energy/energy_calculation.hpp"
#include "map/map_limits.hpp"
#include "run/input_preparation.hpp"

namespace kavro::python {
namespace {

// Cromer-Liberman's f' and f'' are tabulated for these photon energies.
constexpr double kLowestEnergy = 1.0, kHighestEnergy = 100.0;  // keV

std::string number_text(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

std::string range_text(const std::pair<double, double>& r) {
  return "(" + number_text(r.first) + ", " + number_text(r.second) + ")";
}

// The energy range in keV, lowest first.
std::pair<double, double> energy_range(const MapOptions& o) {
  if (o.energy.has_value() == o.wavelength.has_value())
    throw MapValueError("give the energy range with either energy=(E1, E2) or wavelength=(L1, L2)");
  std::pair<double, double> e;
  if (o.wavelength) {
    if (!(o.wavelength->first > 0 && o.wavelength->second > 0))
      throw MapValueError("the wavelengths must be positive, not " + range_text(*o.wavelength));
    e = {energy_of(o.wavelength->second), energy_of(o.wavelength->first)};
  } else {
    e = *o.energy;
  }
  if (e.first > e.second) std::swap(e.first, e.second);
  if (!(e.first >= kLowestEnergy && e.second <= kHighestEnergy))
    throw MapValueError("the energies must lie within 1 to 100 keV (0.124 to 12.4 Angstrom), not " +
                        range_text(o.energy ? *o.energy : *o.wavelength));
  return e;
}

map::PsiDomain psi_domain(const MapOptions& o, const Calculation& c) {
  if (!o.psi) {
    const double start = c.radiation.idesy != RadiationKind::tube && c.grid.psia >= 0 ? 0.0 : -180.0;
    return {start, start + 360};
  }
  if (!(o.psi->first < o.psi->second && o.psi->second - o.psi->first <= 360))
    throw MapValueError("psi needs (A, B) with A < B at most 360 degrees apart, not " + range_text(*o.psi));
  return {o.psi->first, o.psi->second};
}

map::MapRequest map_request(const MapOptions& o, const Calculation& c, const std::pair<double, double>& e) {
  map::MapRequest request;
  request.e_lo = e.first;
  request.e_hi = e.second;
  // Strengths are single-precision numbers: the threshold must be one that is positive and finite.
  const double threshold = o.threshold.value_or(c.options.drumin > 0 ? c.options.drumin : 1.0);
  if (!(threshold >= std::numeric_limits<float>::min() && threshold <= std::numeric_limits<float>::max()))
    throw MapValueError("the threshold needs a positive number from 1.2e-38 to 3.4e+38, not " + number_text(threshold));
  request.threshold = static_cast<float>(threshold);
  if (o.levels && !(*o.levels >= 2 && *o.levels <= 2001))
    throw MapValueError("levels needs a whole number 2 to 2001, not " + std::to_string(*o.levels));
  request.levels = o.levels.value_or(0);
  if (o.min_width && !(*o.min_width > 0 && *o.min_width <= 360))
    throw MapValueError("min_width needs a width above 0 and at most 360 degrees, not " + number_text(*o.min_width));
  return request;
}

void check_size(const Calculation& c, const std::pair<double, double>& e, std::ostream& messages) {
  const map::MapSize size = map::map_size(c, e);
  if (size.bytes <= static_cast<double>(c.options.limits.memory_bytes)) return;
  messages << "the map would hold about " << size.reflections << " reflections that can reach the sphere at "
           << e.second << " keV, about " << std::lround(size.bytes / (1 << 20))
           << " MB, more than the memory budget of " << c.options.limits.memory_megabytes()
           << " MB; lower the highest energy\n";
  throw RunStop("the map needs more memory than the budget");
}

}  // namespace

MapResult make_map(Calculation calculation, std::string title, const MapOptions& options, std::ostream& messages,
                   const MapMaker& maker) {
  if (calculation.radiation.idesy == RadiationKind::neutrons) throw MapValueError("the map is made for X-rays, not for neutrons");
  const std::pair<double, double> e = energy_range(options);
  if (!map::reflects_over(calculation, e.first))
    throw MapValueError("the primary reflection does not reach the Ewald sphere at the lowest energy, " +
                        number_text(e.first) + " keV");
  MapResult r;
  r.domain = psi_domain(options, calculation);
  const map::MapRequest request = map_request(options, calculation, e);
  check_size(calculation, e, messages);
  r.map = maker(calculation, request, messages);
  r.min_width = options.min_width.value_or(5.0 * r.map.largest_fwhm);
  const std::vector<map::SafeWindow> gaps = map::safe_windows(r.map, r.domain, 0);
  std::copy_if(gaps.begin(), gaps.end(), std::back_inserter(r.windows),
               [&](const map::SafeWindow& w) { return w.width() >= r.min_width; });
  r.widest = gaps.empty() ? 0.0 : gaps.front().width();
  r.title = std::move(title);
  r.calculation = std::move(calculation);
  return r;
}

Calculation map_calculation(const std::string& text, std::ostream& listing) {
  std::istringstream in(text);
  RunArguments names;
  return read_calculation(in, listing, &names);
}

std::string window_table(const MapResult& result) {
  std::ostringstream table;
  map::write_window_table(table, result.map, result.windows, result.min_width, result.widest);
  return table.str();
}

}  // namespace kavro::python
