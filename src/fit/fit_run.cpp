// The steps of a fit.
#include "fit/fit_run.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "crystal/units.hpp"
#include "fit/fit_calculation.hpp"
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

// Peaks are told apart over five steps of the grid, and matched to events
// within three steps or 0.1 degree.
double peak_window(const PsiGrid& grid) { return std::max(5 / grid.zsw, 0.05f); }
double match_tolerance(const PsiGrid& grid) { return std::max(3 / grid.zsw, 0.1f); }

double median(std::vector<double> values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// The offset from a coarse match within a degree: the median difference.
double coarse_offset(const std::vector<MeasuredPeak>& peaks, const std::vector<EventRecord>& events) {
  std::vector<double> differences;
  for (const PeakMatch& m : match_peaks(peaks, events, 0, 1)) differences.push_back(m.difference);
  return differences.empty() ? 0 : median(differences);
}

FitOutcome fit_peaks(ScanModel& model, const Calculation& calculation, const std::vector<FitParameter>& free,
                     const std::vector<MeasuredPeak>& peaks, ModelValues start) {
  const std::vector<EventRecord> events = model.scan_crossings(start);
  start.offset = coarse_offset(peaks, events);
  const std::vector<PeakMatch> matches = match_peaks(peaks, events, start.offset, match_tolerance(calculation.grid));
  return fit_peak_positions(calculation, matches, free, start);
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
  page.psi_min_calc = grid.psia + static_cast<float>(lo - fitted.begin()) / grid.zsw;
  page.psi_max_calc = grid.psia + static_cast<float>(hi - fitted.begin()) / grid.zsw;
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
  refuse_cell_of_other_systems(calculation, request.free);
  FitRun run;
  run.points = points_in_window(measured, calculation.grid);
  const bool divergence_free =
      std::find(request.free.begin(), request.free.end(), FitParameter::divergence) != request.free.end();
  ScanModel model(calculation, run.points, divergence_free);
  const std::vector<MeasuredPeak> peaks = find_measured_peaks(run.points, peak_window(calculation.grid));
  FitReport& report = run.report;
  report.peak_positions = request.peak_positions;
  report.calculation = &calculation;
  report.measured_peaks = peaks.size();
  if (request.peak_positions) {
    if (peaks.empty()) throw FitError("no peaks found in the measured scan");
    report.outcome = fit_peaks(model, calculation, request.free, peaks, model.start());
  } else {
    report.outcome = fit_scan(model, request.free, model.start());
  }

  const ModelValues& v = report.outcome.values;
  run.fitted_points = model.values(v);
  const CalculatedScan& scan = model.scan(v);
  const PsiGrid& grid = calculation.grid;
  for (int i = 0; i <= grid.nstep; ++i) {
    double slope = 0;
    const double psi = grid.psia + static_cast<double>(i) / grid.zsw;
    run.fitted_scan.push_back(
        static_cast<float>(v.scale * interpolate(scan.scan_calc, grid, psi - v.offset, &slope) + v.background));
  }
  run.page_scan = page_scan(scan, model.first_pass(), grid, v, run.fitted_scan);
  report.peaks = match_peaks(peaks, model.scan_crossings(v), v.offset, match_tolerance(grid));
  report.searches = model.searches();
  report.evaluations = model.evaluations();
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_time).count();
  return run;
}

std::vector<float> residuals_on_grid(const PsiGrid& grid, const FitRun& run) {
  std::vector<float> normalised(run.fitted_scan.size(), kGapMarker);
  for (std::size_t i = 0; i < run.points.size(); ++i) {
    const ScanPoint& p = run.points[i];
    const long step = std::lround((p.psi - grid.psia) * grid.zsw);
    if (step < 0 || step >= static_cast<long>(normalised.size())) continue;
    normalised[static_cast<std::size_t>(step)] = static_cast<float>((p.intensity - run.fitted_points[i]) / p.sigma);
  }
  return normalised;
}

}  // namespace kavro
