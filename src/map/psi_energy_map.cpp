// The map in three steps: the calculation moved to every intensity level, the
// secondary reflections that meet the sphere at the highest energy of each
// wavelength line (an orbit that meets it at one energy meets it at every
// higher one), and for each of them the run's event evaluation at every
// level, then the curve of those that reach the threshold. Candidates are
// shared out in fixed chunks joined in order, so that the map does not depend
// on the number of threads.
#include "map/psi_energy_map.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <unordered_map>

#include "crystal/radiation_kind.hpp"
#include "crystal/run_stop.hpp"
#include "engine/engine_listing.hpp"
#include "engine/event_intensity.hpp"
#include "engine/event_search.hpp"
#include "engine/parallel.hpp"
#include "energy/energy_calculation.hpp"
#include "map/type_sum_table.hpp"

namespace kavro::map {
namespace {

constexpr double kLevelStep = 0.25;  // keV between intensity levels
constexpr int kFewestLevels = 11;
constexpr float kScreenShare = 0.1f;

// One wavelength line at one level.
struct LineLevel {
  SearchFrame frame;
  PassConstants constants;
  PrimaryReflection primary;
};

struct Level {
  double energy = 0;
  Calculation calculation;
  std::vector<LineLevel> lines;
};

std::vector<Level> make_levels(const Calculation& base, const std::vector<double>& energies, std::ostream& listing) {
  std::vector<Level> levels;
  for (const double energy : energies) {
    Level level{energy, calculation_at_energy(base, energy, warnings_only(listing)), {}};
    const Calculation& c = level.calculation;
    for (const WavelengthLine& line : wavelength_lines(c.radiation)) {
      LineLevel ll;
      ll.frame = search_frame(c.crystal, c.radiation, c.primary, c.grid, line.wavelength_A);
      ll.constants = pass_constants(c.crystal, c.radiation, c.sample, c.primary, line);
      ll.primary = primary_reflection(c.sample, ll.constants);
      level.lines.push_back(ll);
    }
    levels.push_back(std::move(level));
  }
  return levels;
}

// The orbits of the reflections that meet the sphere of line `line` at the highest level.
std::vector<Orbit> candidate_orbits(const Level& top, std::size_t line, int workers, std::ostream& listing) {
  const Calculation& c = top.calculation;
  const SearchFrame& frame = top.lines[line].frame;
  const IndexBounds bounds = index_bounds(c.crystal, top.lines[line].constants.line.wavelength_A);
  if (!bounds.searchable(c.options.limits.search_reflections)) {
    stop_search_too_large(listing, bounds, c.options.limits.search_reflections);
  }
  std::vector<Orbit> orbits;
  for (const EventGeometry& e : find_events(frame, bounds, workers))
    if (const std::optional<Orbit> orbit = orbit_of(frame, e.h2)) orbits.push_back(*orbit);
  return orbits;
}

struct LevelValue {
  double energy = 0;
  float strength = 0;
};

// The strength at an energy, linear between the levels where the event exists.
float strength_at(const std::vector<LevelValue>& values, double energy) {
  if (energy <= values.front().energy) return values.front().strength;
  for (std::size_t i = 1; i < values.size(); ++i) {
    if (energy > values[i].energy) continue;
    const double share = (energy - values[i - 1].energy) / (values[i].energy - values[i - 1].energy);
    return static_cast<float>(values[i - 1].strength + share * (values[i].strength - values[i - 1].strength));
  }
  return values.back().strength;
}

class CurveMaker {
 public:
  CurveMaker(const std::vector<Level>& levels, const TypeSumTable& table, const MapRequest& request, double scale)
      : levels_(levels), table_(table), request_(request), scale_(scale) {}

  // The curve of the orbit on line `line`, or nothing below the threshold.
  // The levels at the ends, the quarters and the middle come first: an orbit
  // whose event stays below a tenth of the threshold there, and whose
  // contribution to the scan stays below the threshold, is not followed
  // through the others. `faint` says whether the curve is below the
  // threshold and kept for its reach alone.
  std::optional<MapCurve> curve(const Orbit& orbit, std::size_t line, bool& faint) const {
    std::vector<std::optional<EventIntensity>> at(levels_.size());
    float screened = 0;
    bool reaches = false;  // at a screening level, then at any
    for (const std::size_t i : screening_levels()) {
      at[i] = evaluate(levels_[i], line, orbit.h2);
      if (at[i] && std::isfinite(at[i]->strength)) {
        screened = std::max(screened, at[i]->strength);
        const std::optional<LevelReach> r = reach_at(levels_[i], line, *at[i]);
        reaches = reaches || (r && r->reach.any());
      }
    }
    if (!(screened >= kScreenShare * request_.threshold) && !reaches) return std::nullopt;
    reaches = false;
    MapCurve curve;
    curve.h2 = orbit.h2;
    curve.line = static_cast<int>(line);
    std::vector<LevelValue> values;
    for (std::size_t i = 0; i < levels_.size(); ++i) {
      if (!at[i]) at[i] = evaluate(levels_[i], line, orbit.h2);
      if (!at[i] || !std::isfinite(at[i]->strength)) continue;
      values.push_back({levels_[i].energy, at[i]->strength});
      curve.peak = std::max(curve.peak, at[i]->strength);
      curve.fwhm = std::max(curve.fwhm, at[i]->fwhm);
      if (std::optional<LevelReach> r = reach_at(levels_[i], line, *at[i])) {
        if (const std::optional<CurvePoint> p = curve_point(orbit, levels_[i].energy, scale_)) {
          r->psi_a = p->psi_a;
          r->psi_b = p->psi_b;
        }
        reaches = reaches || r->reach.any();
        curve.reach.push_back(*r);
      } else {
        curve.reach.push_back({levels_[i].energy, {}, {}, 0, 0});
      }
    }
    faint = !(curve.peak >= request_.threshold);
    if (values.empty()) return std::nullopt;
    for (const CurvePoint& p : with_levels(orbit, sample_curve(orbit, request_.e_lo, request_.e_hi, scale_,
                                                                request_.tolerance)))
      curve.points.push_back({p, strength_at(values, p.energy)});
    if (curve.points.empty()) return std::nullopt;
    return curve;
  }

 private:
  // The sampled curve with the exact points at the level energies inside it
  // added, so that a strength computed at a level is one of the curve's and
  // no segment passes over a level above the threshold unseen.
  std::vector<CurvePoint> with_levels(const Orbit& orbit, const std::vector<CurvePoint>& sampled) const {
    if (sampled.size() < 2) return sampled;
    std::vector<CurvePoint> points;
    std::size_t next = 0;
    for (const CurvePoint& p : sampled) {
      for (; next < levels_.size() && levels_[next].energy <= p.energy; ++next) {
        if (levels_[next].energy <= sampled.front().energy || levels_[next].energy == p.energy) continue;
        if (const std::optional<CurvePoint> level = curve_point(orbit, levels_[next].energy, scale_))
          points.push_back(*level);
      }
      points.push_back(p);
    }
    return points;
  }

  std::vector<std::size_t> screening_levels() const {
    const std::size_t last = levels_.size() - 1;
    std::vector<std::size_t> screen{0, last / 4, last / 2, 3 * last / 4, last};
    screen.erase(std::unique(screen.begin(), screen.end()), screen.end());
    return screen;
  }

  // The reach of the event's profile at the threshold, where the event enters the run's scan.
  // Nothing for an event that stays out of the run's scan (at or below drucut).
  std::optional<LevelReach> reach_at(const Level& level, std::size_t line, const EventIntensity& ev) const {
    const Calculation& c = level.calculation;
    if (!(ev.strength > c.options.scan_threshold_cps)) return std::nullopt;
    const LineLevel& ll = level.lines[line];
    LevelReach r;
    r.energy = level.energy;
    r.profile = crossing_profile(ev, ll.primary.intensity, ll.constants.scale, c.options.nnn);
    r.reach = scan_reach(r.profile, request_.threshold, c.options.nnn);
    return r;
  }

  std::optional<EventIntensity> evaluate(const Level& level, std::size_t line, const Hkl& h2) const {
    const LineLevel& ll = level.lines[line];
    const std::optional<EventGeometry> e = locate_event(ll.frame, h2);
    if (!e) return std::nullopt;
    const Calculation& c = level.calculation;
    const Hkl h3 = coupling_reflection(ll.frame.h1, h2);
    const double h3_sq = squared_length(ll.frame.metric, h3);
    const TypeFactors factors{c.crystal, c.radiation.idesy == RadiationKind::neutrons};
    const StructureFactor f2 = table_.structure_factor(h2, factors);
    const StructureFactor f3 = table_.structure_factor(h3, factors);
    return evaluate_event(c.radiation, c.sample, ll.constants, ll.primary, *e, h3_sq, f2, f3);
  }

  const std::vector<Level>& levels_;
  const TypeSumTable& table_;
  const MapRequest& request_;
  double scale_;
};

struct FoundCurves {
  std::vector<MapCurve> curves, faint;
};

// The curves of the share's orbits, orbits[i] being candidate places[i] of the line.
FoundCurves curves_of(const CurveMaker& maker, const std::vector<Orbit>& orbits,
                      const std::vector<std::int64_t>& places, std::size_t line, int workers) {
  const std::size_t chunks = std::max<std::size_t>(1, std::min<std::size_t>(orbits.size(), 256));
  std::vector<FoundCurves> found(chunks);
  for_each_chunk(orbits.size(), chunks, workers, [&](std::size_t begin, std::size_t end, std::size_t chunk) {
    for (std::size_t i = begin; i < end; ++i) {
      bool faint = false;
      if (std::optional<MapCurve> curve = maker.curve(orbits[i], line, faint)) {
        curve->orbit = places[i];
        (faint ? found[chunk].faint : found[chunk].curves).push_back(std::move(*curve));
      }
    }
  });
  FoundCurves all;
  for (auto& part : found) {
    std::move(part.curves.begin(), part.curves.end(), std::back_inserter(all.curves));
    std::move(part.faint.begin(), part.faint.end(), std::back_inserter(all.faint));
  }
  return all;
}

// The places among the line's candidates of the share's orbits. An orbit and
// the one whose h2 is its coupling reflection h1 - h2 need the same two
// structure factors: such pairs go to one share, dealt out in turn in the
// order of the candidates.
std::vector<std::int64_t> share_places(const std::vector<Orbit>& candidates, const Hkl& h1, const MapRequest& share) {
  const auto key = [](const Hkl& h) {  // one number per h k l of the search's indices (below 2^20)
    constexpr std::int64_t kSpan = std::int64_t{1} << 21;
    return (std::int64_t{h[0]} * kSpan + h[1]) * kSpan + h[2];
  };
  std::vector<std::int64_t> places;
  std::unordered_map<std::int64_t, std::int64_t> pair_share;
  std::int64_t next = 0;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const Hkl& h2 = candidates[i].h2;
    const auto [pair, first] = pair_share.try_emplace(std::min(key(h2), key(coupling_reflection(h1, h2))), next);
    if (first) next = (next + 1) % share.parts;
    if (pair->second == share.part) places.push_back(static_cast<std::int64_t>(i));
  }
  return places;
}

std::vector<Orbit> taken(const std::vector<Orbit>& candidates, const std::vector<std::int64_t>& places) {
  std::vector<Orbit> orbits;
  for (const std::int64_t i : places) orbits.push_back(candidates[static_cast<std::size_t>(i)]);
  return orbits;
}

// h2 and h3 of every orbit, with sin(theta)/lambda as the engine takes it:
// from |h|^2 in double precision whether the reflection is an h2 or an h3, so
// that the table's values do not depend on which orbit asked first (nor on
// which orbits a share of the map holds).
std::vector<WantedReflection> wanted_reflections(const std::vector<std::vector<Orbit>>& orbits,
                                                 const SearchFrame& frame) {
  const auto wanted_at = [&frame](const Hkl& h) {
    return WantedReflection{h, sin_theta_over_lambda(squared_length(frame.metric, h))};
  };
  std::vector<WantedReflection> wanted;
  for (const auto& line : orbits)
    for (const Orbit& o : line) {
      wanted.push_back(wanted_at(o.h2));
      wanted.push_back(wanted_at(coupling_reflection(frame.h1, o.h2)));
    }
  return wanted;
}

}  // namespace

std::vector<double> level_energies(double e_lo, double e_hi, int levels) {
  if (!(e_hi > e_lo)) return {e_lo};
  int n = levels > 0 ? std::max(2, levels)
                     : std::max(kFewestLevels, static_cast<int>(std::ceil((e_hi - e_lo) / kLevelStep)) + 1);
  if (n % 2 == 0) ++n;
  std::vector<double> energies;
  for (int i = 0; i < n; ++i) energies.push_back(i + 1 == n ? e_hi : e_lo + (e_hi - e_lo) * i / (n - 1));
  return energies;
}

PsiEnergyMap psi_energy_map(const Calculation& base, const MapRequest& request, std::ostream& listing) {
  PsiEnergyMap map;
  map.e_lo = request.e_lo;
  map.e_hi = request.e_hi;
  map.threshold = request.threshold;
  map.level_energies = level_energies(request.e_lo, request.e_hi, request.levels);
  const int workers = worker_count(base.options.threads);
  const std::vector<Level> levels = make_levels(base, map.level_energies, listing);
  const std::vector<WavelengthLine> lines = wavelength_lines(base.radiation);

  std::vector<std::vector<Orbit>> orbits;
  std::vector<std::vector<std::int64_t>> places;
  for (std::size_t j = 0; j < lines.size(); ++j) {
    const std::vector<Orbit> candidates = candidate_orbits(levels.back(), j, workers, listing);
    map.orbits += static_cast<std::int64_t>(candidates.size());
    places.push_back(share_places(candidates, levels.back().lines[j].frame.h1, request));
    orbits.push_back(taken(candidates, places.back()));
  }
  TypeSumTable table;
  table.fill(base.crystal, wanted_reflections(orbits, levels.back().lines[0].frame), workers, listing);

  for (std::size_t j = 0; j < lines.size(); ++j) {
    const CurveMaker maker(levels, table, request, lines[0].wavelength_A / lines[j].wavelength_A);
    FoundCurves found = curves_of(maker, orbits[j], places[j], j, workers);
    std::move(found.curves.begin(), found.curves.end(), std::back_inserter(map.curves));
    std::move(found.faint.begin(), found.faint.end(), std::back_inserter(map.faint));
  }
  for (const MapCurve& c : map.curves) map.largest_fwhm = std::max(map.largest_fwhm, c.fwhm);
  map.nnn = base.options.nnn;
  map.workers = workers;
  return map;
}

}  // namespace kavro::map
