// The steps of a fit.
#include "fit/fit_run.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include <gsl/gsl_cdf.h>

#include <cstdio>
#include <string>

#include "crystal/units.hpp"
#include "fit/fit_calculation.hpp"
#include "fit/fit_start.hpp"
#include "fit/scan_model.hpp"

namespace kavro {
namespace {

std::vector<ScanPoint> points_in_window(const std::vector<ScanPoint>& measured, const PsiGrid& grid) {
  std::vector<ScanPoint> points;
  for (const ScanPoint& p : measured)
    if (grid.psia <= p.psi && p.psi <= grid.psie) points.push_back(p);
  if (points.empty()) throw FitError("no measured point lies in the psi window of the input (line 6)");
  return points;
}

// Peaks are told apart over five measured points, at least 0.05 degree.
double peak_window(double spacing) { return std::max(5 * spacing, 0.05); }

// The model's grid samples the narrowest event this many times over its FWHM
// (the cubic interpolation between the steps then meets a Gaussian to about
// 10^-3), within a budget of steps; events weaker than a twentieth of the
// strongest do not set it.
constexpr double kStepsPerWidth = 10;
constexpr double kMostModelSteps = 50000;
constexpr double kGridSettingStrength = 0.05;
// The model covers the measured range shifted by the start offset and a
// margin either way of at least this much or four times the match tolerance;
// the offset must end within half of it.
constexpr double kModelMargin = 0.5;
// A measured peak at least this fraction of the highest's height is strong.
constexpr double kStrongPeak = 0.25;
// Beating a flat background: the chance that the fit's improvement over a
// flat line is noise must be below this.
constexpr double kBackgroundOnlyChance = 1e-5;
constexpr double kScaleDrop = 10;

bool is_free(const std::vector<FitParameter>& free, FitParameter p) {
  return std::find(free.begin(), free.end(), p) != free.end();
}

double median(std::vector<double> values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// The median distance of neighbouring measured points.
double point_spacing(const std::vector<ScanPoint>& points) {
  std::vector<double> psi;
  for (const ScanPoint& p : points) psi.push_back(p.psi);
  std::sort(psi.begin(), psi.end());
  std::vector<double> steps;
  for (std::size_t i = 1; i < psi.size(); ++i)
    if (psi[i] > psi[i - 1]) steps.push_back(psi[i] - psi[i - 1]);
  return steps.empty() ? 0 : median(steps);
}

PsiGrid grid_over(double low, double high, double steps_per_degree) {
  PsiGrid g;
  g.psia = static_cast<float>(low);
  g.psie = static_cast<float>(high);
  g.steps_per_degree = g.zsw1 = static_cast<float>(steps_per_degree);
  g.step_count = static_cast<int>(std::round(static_cast<double>((g.psie - g.psia) * g.steps_per_degree)));
  return g;
}

// Whether an input may scan psi from `low` to `high`: within -180..180 or 0..360.
bool psi_window_allowed(double low, double high) {
  return (-180 <= low && high <= 180) || (0 <= low && high <= 360);
}

// The model's window: psi from `low` to `high`, moved by a turn where only
// that is a window an input may scan; where no turn gives one (the measured
// range and the offset span nearly a whole turn) the whole turn, which the
// model reads across its end.
PsiGrid model_grid(double low, double high, double steps_per_degree) {
  for (const double turn : {0.0, 360.0, -360.0})
    if (psi_window_allowed(low + turn, high + turn)) return grid_over(low + turn, high + turn, steps_per_degree);
  return grid_over(-180, 180, steps_per_degree);
}

// The turn (0, 360 or -360 degrees) that brings `psi` nearest to the range
// from `low` to `high`: where the model's crossings lie for the measured scan
// when the model was taken a turn away.
double turn_towards(double psi, double low, double high) {
  double best = 0, nearest = std::numeric_limits<double>::infinity();
  for (const double turn : {0.0, 360.0, -360.0}) {
    const double x = psi + turn;
    const double distance = x < low ? low - x : std::max(0.0, x - high);
    if (distance < nearest) {
      nearest = distance;
      best = turn;
    }
  }
  return best;
}

std::string peaks_note(const FitReport& r) {
  return " (" + std::to_string(r.peaks.size()) + " of " + std::to_string(r.measured_peaks) +
         " measured peaks matched, " + std::to_string(r.strong_matched) + " of the " + std::to_string(r.strong_peaks) +
         " strong ones)";
}

void count_strong(const std::vector<MeasuredPeak>& peaks, FitReport& r) {
  double highest = 0;
  for (const MeasuredPeak& p : peaks) highest = std::max(highest, p.height);
  r.strong_peaks = r.strong_matched = 0;
  for (const MeasuredPeak& p : peaks) r.strong_peaks += p.height >= kStrongPeak * highest;
  for (const PeakMatch& m : r.peaks) r.strong_matched += m.peak.height >= kStrongPeak * highest;
}

std::string printed(const char* format, double a, double b = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// The gates every fitted result passes before it is given.
void check_bounds(const FitOutcome& o, const ParameterRange& offsets, const ParameterRange& shifts) {
  for (const FitParameter p : o.free) {
    const ParameterRange* r = p == FitParameter::offset ? &offsets : moves_events(p) ? &shifts : nullptr;
    if (r == nullptr) continue;
    const double x = o.values[p], tiny = 1e-9 * std::max(1.0, std::fabs(x));
    if (x <= r->low + tiny || x >= r->high - tiny)
      throw FitError("the fit ends at the end of the range of the " + std::string(parameter_name(p)) +
                     printed(" (%.6g, range %.6g", x, r->low) + printed(" to %.6g): no minimum within it; widen it with --range or give a start with --start", r->high));
  }
}

void check_peaks(const FitReport& r) {
  if (2 * r.strong_matched < r.strong_peaks)
    throw FitError("fewer than half of the strong measured peaks lie at calculated events of their sign" +
                   peaks_note(r) + ": the fit does not describe the scan");
}

// chi-square of the best flat line, weighted as the fit was, and the F test of the fit against it.
void compare_with_background(const std::vector<ScanPoint>& points, const std::vector<FitParameter>& free,
                             const ModelValues& start, FitReport& r) {
  const FitOutcome& o = r.outcome;
  const bool background_free = is_free(free, FitParameter::background);
  const std::size_t extra = free.size() - (background_free ? 1 : 0);
  if (extra == 0 || o.points <= free.size()) return;
  double level = start.background;
  if (background_free) {
    double sw = 0, swi = 0;
    for (const ScanPoint& p : points) {
      const double w = o.counted ? 1 : 1 / (p.sigma * p.sigma);
      sw += w;
      swi += w * p.intensity;
    }
    level = swi / sw;
  }
  double chi2 = 0;
  for (const ScanPoint& p : points) {
    const double s = o.counted ? counting_sigma(level) : p.sigma;
    chi2 += (p.intensity - level) * (p.intensity - level) / (s * s);
  }
  const double dof = static_cast<double>(o.points - free.size());
  r.background_tested = true;
  r.background_chi2 = chi2;
  r.extra_parameters = extra;
  r.f_statistic = ((chi2 - o.chi2) / static_cast<double>(extra)) / (o.chi2 / dof);
  r.p_value = r.f_statistic > 0 ? gsl_cdf_fdist_Q(r.f_statistic, static_cast<double>(extra), dof) : 1;
  if (!(r.p_value < kBackgroundOnlyChance))
    throw FitError("the model describes the scan no better than a flat background" +
                   printed(" (chi-square %.6g against %.6g", o.chi2, chi2) +
                   printed(" of the background alone, F = %.3g, p = %.2g)", r.f_statistic, r.p_value) + peaks_note(r));
}

// The fitted scan as the page shows a calculated one: scaled I-prim, the
// extremes of the fitted curve, the events the first pass stored.
CalculatedScan page_scan(const CalculatedScan& scan, const PassResult& first_pass, const PsiGrid& grid,
                         const ModelValues& v, const std::vector<float>& fitted) {
  CalculatedScan page = scan;
  page.scan_calc = fitted;
  page.iprim_calc = static_cast<float>(v.scale * scan.iprim_calc + v.background);
  const auto [lo, hi] = std::minmax_element(fitted.begin(), fitted.end());
  page.imin_calc = std::max(0.0f, *lo);
  page.imax_calc = *hi;
  page.psi_min_calc = grid.psia + static_cast<float>(lo - fitted.begin()) / grid.steps_per_degree;
  page.psi_max_calc = grid.psia + static_cast<float>(hi - fitted.begin()) / grid.steps_per_degree;
  page.nstore_plot = first_pass.store.nstore();
  page.nlist_plot = first_pass.store.nlist;
  page.psilam.clear();
  for (const EventRecord& r : first_pass.store.records) page.psilam.push_back(r.psi_lambda);
  return page;
}

// Equal edges and right angles: the cell has one free edge, which the isotropic
// cell parameter scales.
bool cubic(const Crystal& crystal) {
  const auto equal = [](float x, float y) { return std::fabs(x - y) <= 1e-5f * std::max(std::fabs(x), std::fabs(y)); };
  const auto right = [](float angle) { return std::fabs(angle - 90.0f) <= 1e-3f; };
  return equal(crystal.a, crystal.b) && equal(crystal.a, crystal.c) && right(crystal.alpha) && right(crystal.beta) &&
         right(crystal.gamma);
}

void refuse_cell_of_other_systems(const Calculation& calculation, const std::vector<FitParameter>& free) {
  if (std::find(free.begin(), free.end(), FitParameter::cell) == free.end() || cubic(calculation.crystal)) return;
  throw FitError(
      "the cell is refined as one scale of all edges, which keeps the shape of a cubic cell only; this cell is not "
      "cubic (fit the energy instead)");
}

}  // namespace

bool peak_parameters_only(const std::vector<FitParameter>& free) {
  return std::all_of(free.begin(), free.end(),
                     [](FitParameter p) { return p == FitParameter::offset || moves_events(p); });
}

FitRun run_fit(const Calculation& calculation, const std::vector<ScanPoint>& measured, const FitRequest& request) {
  const auto start_time = std::chrono::steady_clock::now();
  const std::vector<FitParameter>& free = request.free;
  refuse_cell_of_other_systems(calculation, free);
  FitRun run;
  run.points = points_in_window(measured, calculation.grid);
  const std::vector<ScanPoint>& points = run.points;
  const bool counted = std::none_of(points.begin(), points.end(), [](const ScanPoint& p) { return p.sigma_given; });
  const bool divergence_free = is_free(free, FitParameter::divergence);
  const double spacing = point_spacing(points);
  const std::vector<MeasuredPeak> peaks = find_measured_peaks(points, peak_window(spacing));
  FitReport& report = run.report;
  report.peak_positions = request.peak_positions;
  report.calculation = &calculation;
  report.measured_peaks = peaks.size();
  if (request.peak_positions && peaks.empty()) throw FitError("no peaks found in the measured scan");

  // Where the pattern of the peaks puts the calculation.
  StartRequest sr;
  sr.free = free;
  sr.start = ScanModel(calculation, {}, divergence_free).start();
  for (const FitParameter p : request.started) sr.start[p] = request.start[p];
  sr.offset_given = is_free(request.started, FitParameter::offset);
  sr.shift_given = is_free(request.started, FitParameter::energy) || is_free(request.started, FitParameter::cell);
  // Offsets up to half the window either way: the measured and the calculated
  // scan share at least half the window, and a pattern that repeats with the
  // crystal's symmetry is not met twice in a window of one period.
  const double width = std::min(static_cast<double>(calculation.grid.psie - calculation.grid.psia) / 2, 180.0);
  sr.offset = request.ranges.offset_given ? request.ranges.offset : ParameterRange{-width, width};
  sr.shift = request.ranges.shift;
  sr.tolerance = std::max(0.1, 2 * spacing);
  sr.fine_tolerance = std::min(sr.tolerance, std::max(0.05, 4 * spacing));
  sr.merge = std::max(2 * spacing, 0.2 * sr.fine_tolerance);
  sr.positions_only = request.peak_positions;
  const StartSearch start = search_start(calculation, points, peaks, sr);
  report.start = start.values;
  report.start_matched = start.matches.size();
  report.start_trials = start.trials;
  if (start.ambiguous)
    throw FitError("the measured peaks match the calculated events two ways nearly as well: " + start.ambiguity +
                   "; give the offset with --start or narrow its range with --range");

  // The model over the measured range at the start offset, on a grid fine enough for its narrowest event.
  const auto [lowest, highest] = std::minmax_element(
      points.begin(), points.end(), [](const ScanPoint& a, const ScanPoint& b) { return a.psi < b.psi; });
  const double margin = std::max(kModelMargin, 4 * sr.tolerance);
  const double low = lowest->psi - start.values.offset - margin;
  const double high = highest->psi - start.values.offset + margin;
  ParameterRange offsets = sr.offset;
  offsets.low = std::max(offsets.low, start.values.offset - margin / 2);
  offsets.high = std::min(offsets.high, start.values.offset + margin / 2);
  const auto strength = [](const EventRecord& e) { return std::fabs(e.ik_s2 - e.ia_s2) / std::max(e.fwhm, 1e-6f); };
  double strongest = 0, narrowest = 0;
  for (const EventRecord& e : start.events)
    if (low <= e.psi && e.psi <= high) strongest = std::max(strongest, static_cast<double>(strength(e)));
  for (const EventRecord& e : start.events)
    if (low <= e.psi && e.psi <= high && e.fwhm > 0 && strength(e) >= kGridSettingStrength * strongest &&
        (narrowest == 0 || e.fwhm < narrowest))
      narrowest = e.fwhm;
  double steps = calculation.grid.steps_per_degree;
  if (narrowest > 0) steps = std::max(steps, std::min(kStepsPerWidth / narrowest, kMostModelSteps / (high - low)));
  Calculation model_calculation = calculation;
  model_calculation.grid = model_grid(low, high, steps);
  report.model_steps = steps;
  report.narrowest_fwhm = narrowest;
  ScanModel model(model_calculation, points, divergence_free);

  try {
    if (request.peak_positions) {
      report.outcome = fit_peak_positions(calculation, start.matches, free, start.values);
    } else {
      ScanFitOptions options;
      options.counted = counted;
      options.offset_search = start.matches.empty() && !sr.offset_given ? margin / 4 : sr.tolerance / 4;
      report.outcome = fit_scan(model, free, start.values, options);
    }
  } catch (const FitError& e) {
    throw FitError(e.what() + std::string(" (") + std::to_string(start.matches.size()) + " of " +
                   std::to_string(peaks.size()) + " measured peaks matched at the start)");
  }
  const ModelValues values = report.outcome.values;
  std::vector<int> lines;
  std::vector<EventRecord> crossings = model.scan_crossings(values, &lines);
  for (EventRecord& e : crossings) e.psi += turn_towards(e.psi, low + margin, high - margin);
  report.peaks = assign_peaks(peaks, crossings, lines, values.offset, sr, lowest->psi, highest->psi);
  count_strong(peaks, report);
  report.searches = model.searches();
  report.evaluations = model.evaluations();

  check_bounds(report.outcome, offsets, sr.shift);
  if (is_free(free, FitParameter::scale) && values.scale < report.outcome.start_scale / kScaleDrop)
    throw FitError(printed("the fit drives the scale down from %.4g to %.4g", report.outcome.start_scale, values.scale) +
                   ", more than tenfold: the calculated events do not describe the scan" + peaks_note(report));
  check_peaks(report);
  if (!request.peak_positions) compare_with_background(points, free, sr.start, report);

  if (!request.peak_positions) {
    run.fitted_points = model.values(values);
    const CalculatedScan& scan = model.scan(values);
    const PsiGrid& grid = calculation.grid;
    for (int i = 0; i <= grid.step_count; ++i) {
      double slope = 0;
      const double psi = grid.psia + static_cast<double>(i) / grid.steps_per_degree;
      run.fitted_scan.push_back(static_cast<float>(
          values.scale * interpolate(scan.scan_calc, model.grid(), psi - values.offset, &slope) + values.background));
    }
    run.page_scan = page_scan(scan, model.first_pass(), grid, values, run.fitted_scan);
  }
  report.searches = model.searches();
  report.evaluations = model.evaluations();
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_time).count();
  return run;
}

std::vector<float> residuals_on_grid(const PsiGrid& grid, const FitRun& run) {
  std::vector<float> normalised(run.fitted_scan.size(), kGapMarker);
  for (std::size_t i = 0; i < run.points.size(); ++i) {
    const ScanPoint& p = run.points[i];
    const long step = std::lround((p.psi - grid.psia) * grid.steps_per_degree);
    if (step < 0 || step >= static_cast<long>(normalised.size())) continue;
    normalised[static_cast<std::size_t>(step)] = static_cast<float>((p.intensity - run.fitted_points[i]) / p.sigma);
  }
  return normalised;
}

}  // namespace kavro
