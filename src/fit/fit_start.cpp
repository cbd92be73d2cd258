// The global start of a fit: a vote of the measured features against the
// calculated ones over the offset range gives candidate offsets at every
// trial energy (or cell); each candidate is matched one to one, its offset and
// energy moved to fit the pairs' positions and matched again within a finer
// tolerance, and the best match wins unless another is nearly as good.
#include "fit/fit_start.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <tuple>

#include "crystal/radiation_kind.hpp"
#include "engine/event_geometry.hpp"
#include "fit/fit_calculation.hpp"
#include "fit/peak_assignment.hpp"
#include "fit/scan_model.hpp"

namespace kavro {
namespace {

// The events that may move into the measured range when the energy or cell
// changes lie this much beyond it (degrees).
constexpr double kShiftMargin = 3;
// Only the events of the search are used, not its scan: one step per degree.
constexpr float kSearchSteps = 1;
// A relative change of energy or cell the positions are differenced over.
constexpr double kRateStep = 1e-5;
constexpr std::size_t kMostTrials = 201;
constexpr std::size_t kCandidatesPerTrial = 4;
constexpr std::size_t kCandidates = 24;
constexpr int kRefinements = 4;
// Another match within this score of the best (half the highest peak well
// matched) and within this fraction of it is nearly as good; for the peak
// positions, a quarter of its own weight by another assignment of one peak at
// the same offset.
constexpr double kNearlyAsGood = 0.5;
constexpr double kNearlyAsGoodFraction = 0.8;
constexpr double kNearlyAsGoodAssignment = 0.25;
constexpr double kMissedStrong = 0.5;
// A measured feature of at least this fraction of the highest one's height is strong.
constexpr double kStrongFeature = 0.25;

bool is_free(const std::vector<FitParameter>& free, FitParameter p) {
  return std::find(free.begin(), free.end(), p) != free.end();
}

FitParameter shift_parameter(const std::vector<FitParameter>& free) {
  return is_free(free, FitParameter::energy) ? FitParameter::energy : FitParameter::cell;
}

bool shift_free(const std::vector<FitParameter>& free) {
  return is_free(free, FitParameter::energy) || is_free(free, FitParameter::cell);
}

double strength_of(const EventRecord& e) { return std::fabs(e.ik_s2 - e.ia_s2) / std::max(e.fwhm, 1e-6f); }
bool dip_of(const EventRecord& e) { return !(e.ik_s2 > e.ia_s2); }

// The events of the search and where they lie for other energies and cells.
struct Events {
  const Calculation& wide;
  const std::vector<EventRecord>& records;
  const std::vector<int>& lines;
  bool full_turn = false;

  // psi of every event at the energy and cell of `v`; NaN where it no longer reaches the sphere.
  std::vector<double> placed(const ModelValues& v) const {
    const Calculation c = retuned_calculation(wide, v.energy, v.cell);
    const SearchFrame first = search_frame(c.crystal, c.radiation, c.primary, c.grid, c.radiation.alam1);
    const SearchFrame second = search_frame(c.crystal, c.radiation, c.primary, c.grid, c.radiation.alam2);
    std::vector<double> psi;
    psi.reserve(records.size());
    for (std::size_t j = 0; j < records.size(); ++j) {
      const auto g = locate_event(lines[j] == 0 ? first : second, records[j].h2);
      psi.push_back(g ? (records[j].crossing == 1 ? g->psi_a : g->psi_b) : std::numeric_limits<double>::quiet_NaN());
    }
    return psi;
  }
};

// The psi range events are reported in, and the search window within it.
struct SearchWindow {
  double low = 0, high = 0;
  bool full_turn = false;  // the window is the whole turn: events repeat every 360 degrees
};

SearchWindow search_window(const Calculation& base, double low, double high) {
  const bool from_zero = base.radiation.idesy != RadiationKind::tube && base.grid.psia >= 0;
  const double turn_low = from_zero ? 0 : -180;
  if (low < turn_low || high > turn_low + 360) return {turn_low, turn_low + 360, true};
  return {low, high, false};
}

Calculation over_window(const Calculation& base, const SearchWindow& w) {
  Calculation c = base;
  c.grid.psia = static_cast<float>(w.low);
  c.grid.psie = static_cast<float>(w.high);
  c.grid.steps_per_degree = c.grid.zsw1 = kSearchSteps;
  c.grid.step_count = static_cast<int>(std::round((w.high - w.low) * c.grid.steps_per_degree));
  return c;
}

// One trial energy or cell: where the events lie, its calculated features and the event each stands for.
struct Trial {
  ModelValues values;
  std::vector<double> psi;  // per event
  std::vector<Feature> features;
  std::vector<std::size_t> event_of;  // per feature
};

Trial trial_of(const ModelValues& v, const Events& events, std::vector<double> psi, double merge, double opposite) {
  std::vector<Signed> items;
  std::vector<std::size_t> event_of_item;
  for (std::size_t j = 0; j < events.records.size(); ++j) {
    if (!std::isfinite(psi[j])) continue;
    for (const double turn : events.full_turn ? std::vector<double>{-360, 0, 360} : std::vector<double>{0}) {
      items.push_back({psi[j] + turn, dip_of(events.records[j]), strength_of(events.records[j])});
      event_of_item.push_back(j);
    }
  }
  Trial t;
  t.values = v;
  t.psi = std::move(psi);
  t.features = features_of(items, merge, opposite);
  for (const Feature& f : t.features) t.event_of.push_back(event_of_item[f.source]);
  return t;
}

struct Candidate {
  std::size_t trial = 0;  // where the vote found it
  double offset = 0;
  double votes = 0;
  Trial at;               // its trial, moved with its refinement
  PatternMatch match;
};

bool compatible(FeatureSign a, FeatureSign b) {
  return a == FeatureSign::both || b == FeatureSign::both || a == b;
}

// Offsets where many measured features find a calculated one: one vote per
// measured feature and bin of half the tolerance, summed over neighbouring bins.
std::vector<Candidate> voted_offsets(const std::vector<Feature>& measured, const Trial& t, std::size_t trial,
                                     const ParameterRange& range, double tolerance) {
  const double bin = tolerance / 2;
  const auto bins = static_cast<std::size_t>(std::ceil((range.high - range.low) / bin)) + 2;
  std::vector<double> votes(bins, 0);
  std::vector<long> voter(bins, -1);
  for (std::size_t i = 0; i < measured.size(); ++i)
    for (const Feature& c : t.features) {
      if (!compatible(measured[i].sign, c.sign)) continue;
      const double o = measured[i].psi - c.psi;
      if (o < range.low || o > range.high) continue;
      const auto b = static_cast<std::size_t>((o - range.low) / bin);
      if (voter[b] == static_cast<long>(i)) continue;
      voter[b] = static_cast<long>(i);
      votes[b] += 1;
    }
  std::vector<Candidate> found;
  for (std::size_t b = 0; b + 1 < bins; ++b) {
    const double pair = votes[b] + votes[b + 1];
    const double before = b > 0 ? votes[b - 1] + votes[b] : 0, after = b + 2 < bins ? votes[b + 1] + votes[b + 2] : 0;
    if (pair > 0 && pair >= before && pair > after)
      found.push_back(
          {trial, std::clamp(range.low + static_cast<double>(b + 1) * bin, range.low, range.high), pair, {}, {}});
  }
  std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) { return a.votes > b.votes; });
  if (found.size() > kCandidatesPerTrial) found.resize(kCandidatesPerTrial);
  return found;
}

std::vector<Feature> shifted(const std::vector<Feature>& features, double offset) {
  std::vector<Feature> out = features;
  for (Feature& f : out) f.psi += offset;
  return out;
}

// Offset (and the energy or cell, from two pairs on) of least squares of the
// pairs' positions: psi_measured = psi_event(shift) + offset, the shift's
// effect linear over the small step of a refinement.
void fit_pairs(Candidate& c, const std::vector<Feature>& measured, const Events& events, bool shift_searched,
               FitParameter shift, const ParameterRange& offsets, const ParameterRange& shifts, double merge,
               double opposite) {
  const auto& pairs = c.match.pairs;
  std::vector<double> rate(pairs.size(), 0);
  if (shift_searched && pairs.size() >= 2) {
    ModelValues moved = c.at.values;
    moved[shift] += kRateStep;
    try {
      const std::vector<double> psi = events.placed(moved);
      for (std::size_t k = 0; k < pairs.size(); ++k) {
        const std::size_t j = c.at.event_of[pairs[k].second];
        rate[k] = std::isfinite(psi[j]) ? (psi[j] - c.at.psi[j]) / kRateStep : 0;
      }
    } catch (const FitError&) {
      shift_searched = false;
    }
  }
  // Normal equations of d_k = offset change + rate_k * shift change.
  double n = 0, sr = 0, srr = 0, sd = 0, srd = 0;
  for (std::size_t k = 0; k < pairs.size(); ++k) {
    const double d = measured[pairs[k].first].psi - (c.at.features[pairs[k].second].psi + c.offset);
    n += 1;
    sr += rate[k];
    srr += rate[k] * rate[k];
    sd += d;
    srd += rate[k] * d;
  }
  double d_offset = sd / n, d_shift = 0;
  const double det = n * srr - sr * sr;
  if (shift_searched && pairs.size() >= 2 && det > 1e-12 * n * srr) {
    d_shift = (n * srd - sr * sd) / det;
    d_offset = (sd - sr * d_shift) / n;
  }
  c.offset = std::clamp(c.offset + d_offset, offsets.low, offsets.high);
  if (d_shift != 0) {
    ModelValues v = c.at.values;
    v[shift] = std::clamp(v[shift] + d_shift, shifts.low, shifts.high);
    try {
      c.at = trial_of(v, events, events.placed(v), merge, opposite);
    } catch (const FitError&) {
    }
  }
}

// The candidate matched, refined to its pairs and matched again, the last
// times within the fine tolerance.
void refine(Candidate& c, const std::vector<Feature>& measured, const Events& events, const StartRequest& request,
            const PatternScoring& coarse, const PatternScoring& fine, const ParameterRange& offsets,
            bool shift_searched, FitParameter shift) {
  for (int round = 0; round < kRefinements; ++round) {
    c.match = match_pattern(measured, shifted(c.at.features, c.offset), round < kRefinements / 2 ? coarse : fine);
    if (c.match.pairs.empty()) break;
    fit_pairs(c, measured, events, shift_searched, shift, offsets, request.shift, request.merge, request.tolerance);
  }
  c.match = match_pattern(measured, shifted(c.at.features, c.offset), fine);
}

// The reflection and crossing every measured feature is assigned to: the
// same event on the two lines of a tube is one assignment.
using Assigned = std::tuple<std::size_t, Hkl, int>;
std::vector<Assigned> assignment_of(const Candidate& c, const std::vector<EventRecord>& events) {
  std::vector<Assigned> pairs;
  for (const auto& [i, j] : c.match.pairs) {
    const EventRecord& e = events[c.at.event_of[j]];
    pairs.emplace_back(i, e.h2, e.crossing);
  }
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

std::string described(const Candidate& c, FitParameter shift, bool shift_searched, std::size_t measured) {
  char text[200];
  std::snprintf(text, sizeof text, "offset %.4f deg", c.offset);
  std::string s = text;
  if (shift_searched) {
    std::snprintf(text, sizeof text, ", %s %.6g", std::string(parameter_name(shift)).c_str(), c.at.values[shift]);
    s += text;
  }
  std::snprintf(text, sizeof text, " (%zu of %zu measured features matched, score %.2f)", c.match.pairs.size(),
                measured, c.match.score);
  return s + text;
}

std::vector<Feature> measured_features(const std::vector<MeasuredPeak>& peaks, const StartRequest& request) {
  std::vector<Signed> items;
  for (const MeasuredPeak& p : peaks) items.push_back({p.psi, p.dip, p.height});
  return features_of(items, request.merge, request.tolerance);
}

std::vector<PeakMatch> peak_matches(const PatternMatch& match, const std::vector<Feature>& measured,
                                    const std::vector<MeasuredPeak>& peaks, const Trial& t,
                                    const std::vector<EventRecord>& events, const std::vector<int>& lines,
                                    double offset) {
  std::vector<PeakMatch> matches;
  for (const auto& [i, j] : match.pairs) {
    const MeasuredPeak& peak = peaks[measured[i].source];
    const double psi_calc = t.features[j].psi + offset;
    const std::size_t e = t.event_of[j];
    matches.push_back({peak, events[e], psi_calc, peak.psi - psi_calc, lines[e]});
  }
  std::sort(matches.begin(), matches.end(),
            [](const PeakMatch& a, const PeakMatch& b) { return a.peak.psi < b.peak.psi; });
  return matches;
}

}  // namespace

std::vector<PeakMatch> assign_peaks(const std::vector<MeasuredPeak>& peaks, const std::vector<EventRecord>& records,
                                    const std::vector<int>& lines, double offset, const StartRequest& request,
                                    double psi_low, double psi_high) {
  std::vector<double> psi;
  for (const EventRecord& e : records) psi.push_back(e.psi);
  const Calculation none;
  const Events events{none, records, lines, false};
  const Trial t = trial_of({}, events, psi, request.merge, request.tolerance);
  const std::vector<Feature> measured = measured_features(peaks, request);
  const PatternScoring scoring{request.fine_tolerance, psi_low, psi_high, kMissedStrong};
  return peak_matches(match_pattern(measured, shifted(t.features, offset), scoring), measured, peaks, t, records,
                      lines, offset);
}

StartSearch search_start(const Calculation& base, const std::vector<ScanPoint>& points,
                         const std::vector<MeasuredPeak>& peaks, const StartRequest& request) {
  StartSearch result;
  result.values = request.start;
  result.measured_peaks = peaks.size();
  if (request.offset.low <= request.offset.high)
    result.values.offset = std::clamp(request.start.offset, request.offset.low, request.offset.high);
  if (peaks.empty() || points.empty()) return result;
  const auto [lowest, highest] = std::minmax_element(
      points.begin(), points.end(), [](const ScanPoint& a, const ScanPoint& b) { return a.psi < b.psi; });
  const double psi_low = lowest->psi, psi_high = highest->psi;

  ParameterRange offsets = request.offset;
  if (request.offset_given)
    offsets = {std::max(offsets.low, request.start.offset - request.tolerance),
               std::min(offsets.high, request.start.offset + request.tolerance)};
  if (!(offsets.low <= offsets.high)) offsets = {request.start.offset, request.start.offset};
  result.values.offset = std::clamp(request.start.offset, offsets.low, offsets.high);
  const bool shift_searched = shift_free(request.free) && !request.shift_given;
  const FitParameter shift = shift_parameter(request.free);
  const double margin = shift_free(request.free) ? kShiftMargin : 2 * request.tolerance;
  const SearchWindow window = search_window(base, psi_low - offsets.high - margin, psi_high - offsets.low + margin);
  const Calculation wide = over_window(base, window);

  ScanModel model(wide, {}, is_free(request.free, FitParameter::divergence));
  result.events = model.scan_crossings(request.start, &result.lines);
  const Events events{wide, result.events, result.lines, window.full_turn};
  std::vector<double> start_psi;
  for (const EventRecord& e : result.events) start_psi.push_back(e.psi);

  // Trial shifts close enough that most events move by less than half the tolerance between two.
  std::vector<Trial> trials;
  double rate = 0;          // degrees per unit of the shift that most events move by less
  double typical_rate = 0;  // the median event's
  if (!shift_searched || result.events.empty()) {
    trials.push_back(trial_of(request.start, events, start_psi, request.merge, request.tolerance));
  } else {
    ModelValues moved = request.start;
    moved[shift] += kRateStep;
    std::vector<double> rates;
    try {
      const std::vector<double> psi = events.placed(moved);
      for (std::size_t j = 0; j < psi.size(); ++j)
        if (std::isfinite(psi[j])) rates.push_back(std::fabs(psi[j] - start_psi[j]) / kRateStep);
    } catch (const FitError&) {
    }
    if (!rates.empty()) {
      const auto at = rates.begin() + static_cast<std::ptrdiff_t>(rates.size() * 9 / 10);
      std::nth_element(rates.begin(), at, rates.end());
      rate = *at;
      const auto middle = rates.begin() + static_cast<std::ptrdiff_t>(rates.size() / 2);
      std::nth_element(rates.begin(), middle, rates.end());
      typical_rate = *middle;
    }
    const double width = request.shift.high - request.shift.low;
    const std::size_t n = std::clamp<std::size_t>(
        static_cast<std::size_t>(std::ceil(width * rate / (request.tolerance / 2))) + 1, 3, kMostTrials);
    for (std::size_t k = 0; k < n; ++k) {
      ModelValues v = request.start;
      v[shift] = request.shift.low + width * static_cast<double>(k) / static_cast<double>(n - 1);
      try {
        trials.push_back(trial_of(v, events, events.placed(v), request.merge, request.tolerance));
      } catch (const FitError&) {
        // the primary reflection leaves the sphere at this energy or cell
      }
    }
  }
  result.trials = trials.size();

  const std::vector<Feature> measured = measured_features(peaks, request);
  const PatternScoring coarse{request.tolerance, psi_low, psi_high, kMissedStrong};
  const PatternScoring fine{request.fine_tolerance, psi_low, psi_high, kMissedStrong};
  std::vector<Candidate> candidates;
  for (std::size_t t = 0; t < trials.size(); ++t)
    for (const Candidate& c : voted_offsets(measured, trials[t], t, offsets, request.tolerance)) candidates.push_back(c);
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) { return a.votes > b.votes; });
  if (candidates.size() > kCandidates) candidates.resize(kCandidates);
  if (candidates.empty()) return result;
  for (Candidate& c : candidates) {
    c.at = trials[c.trial];
    refine(c, measured, events, request, coarse, fine, offsets, shift_searched, shift);
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) { return a.match.score > b.match.score; });
  const Candidate& best = candidates.front();

  // Another offset or energy, or (for the peak positions) another assignment, nearly as good.
  const auto best_pairs = assignment_of(best, result.events);
  std::string other;
  for (std::size_t k = 1; k < candidates.size() && other.empty(); ++k) {
    const Candidate& c = candidates[k];
    if (c.match.score < best.match.score - kNearlyAsGood || c.match.score < kNearlyAsGoodFraction * best.match.score)
      break;
    const auto pairs = assignment_of(c, result.events);
    if (pairs == best_pairs || std::includes(best_pairs.begin(), best_pairs.end(), pairs.begin(), pairs.end()))
      continue;  // the same match, or it with peaks fewer
    // Nearly the same offset and energy: another local optimum of the same match.
    const bool same_place = std::fabs(c.offset - best.offset) <= request.tolerance &&
                            std::fabs(c.at.values[shift] - best.at.values[shift]) * typical_rate <= request.tolerance;
    if (same_place) continue;
    other = described(c, shift, shift_searched, measured.size());
  }
  // For the peak positions, a peak that another event takes nearly as well: a
  // strong one makes the pattern ambiguous, a weak one is left out.
  PatternMatch kept = best.match;
  if (request.positions_only) {
    double tallest = 0;
    for (const Feature& f : measured) tallest = std::max(tallest, f.strength);
    const std::vector<Feature> at_best = shifted(best.at.features, best.offset);
    std::vector<std::pair<std::size_t, std::size_t>> left_out;
    for (const auto& pair : best.match.pairs) {
      if (!other.empty()) break;
      Candidate c = best;
      c.match = match_pattern(measured, at_best, fine, {pair});
      const double weight = std::sqrt(measured[pair.first].strength / tallest);
      if (c.match.score < best.match.score - kNearlyAsGoodAssignment * weight ||
          c.match.pairs.size() < best.match.pairs.size() || assignment_of(c, result.events) == best_pairs)
        continue;
      if (weight * weight >= kStrongFeature)
        other = described(c, shift, shift_searched, measured.size()) + " with a peak assigned to another event";
      else
        left_out.push_back(pair);
    }
    std::erase_if(kept.pairs, [&](const auto& pair) {
      return std::find(left_out.begin(), left_out.end(), pair) != left_out.end();
    });
  }
  result.ambiguous = !other.empty();
  if (result.ambiguous) result.ambiguity = described(best, shift, shift_searched, measured.size()) + " or " + other;
  result.score = best.match.score;
  result.values = best.at.values;
  result.values.offset = best.offset;
  result.matches = peak_matches(kept, measured, peaks, best.at, result.events, result.lines, best.offset);
  return result;
}

}  // namespace kavro
