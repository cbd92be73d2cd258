// The fit of the measured scan.
#include "fit/scan_fit.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "fit/fit_calculation.hpp"
#include "fit/least_squares.hpp"

namespace kavro {
namespace {

constexpr std::size_t kMaxIterations = 200;
constexpr double kIndistinguishable = 1e-12;  // reciprocal condition number of a singular Jacobian
// Two parameters so correlated move the model alike within the precision of the calculation.
constexpr double kLargestCorrelation = 0.9999;

bool is_free(const std::vector<FitParameter>& free, FitParameter p) {
  return std::find(free.begin(), free.end(), p) != free.end();
}

// Step of the central difference of a parameter the model gives no derivative of.
double difference_step(FitParameter p, double value) {
  switch (p) {
    case FitParameter::energy:
    case FitParameter::cell:
      return 2e-6;
    default:
      return std::max(1e-4, 0.01 * std::fabs(value));
  }
}

// Scale and background (those free) that fit the unscaled model c best.
void linear_scale_and_background(const std::vector<ScanPoint>& points, const std::vector<double>& c, bool scale_free,
                                 bool background_free, ModelValues& v) {
  double sw = 0, sc = 0, scc = 0, si = 0, sci = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double w = 1 / (points[i].sigma * points[i].sigma);
    sw += w;
    sc += w * c[i];
    scc += w * c[i] * c[i];
    si += w * points[i].intensity;
    sci += w * c[i] * points[i].intensity;
  }
  if (scale_free && background_free) {
    const double det = sw * scc - sc * sc;
    if (det > 0) {
      v.scale = (sw * sci - sc * si) / det;
      v.background = (scc * si - sc * sci) / det;
    }
  } else if (scale_free) {
    if (scc > 0) v.scale = (sci - v.background * sc) / scc;
  } else if (background_free) {
    v.background = (si - v.scale * sc) / sw;
  }
}

double chi2_of(const std::vector<ScanPoint>& points, const std::vector<double>& c, const ModelValues& v) {
  double sum = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double r = (v.scale * c[i] + v.background - points[i].intensity) / points[i].sigma;
    sum += r * r;
  }
  return sum;
}

// Start values of the parameters that enter the model linearly or by a shift.
void start_values(ScanModel& model, const std::vector<FitParameter>& free, ModelValues& v) {
  const bool scale_free = is_free(free, FitParameter::scale);
  const bool background_free = is_free(free, FitParameter::background);
  const double step = 1 / model.grid().zsw;
  const int shifts = is_free(free, FitParameter::offset) ? static_cast<int>(std::lround(model.grid().zsw)) : 0;
  double best = INFINITY;
  ModelValues best_values = v;
  for (int k = -shifts; k <= shifts; ++k) {
    ModelValues trial = v;
    trial.offset = v.offset + k * step;
    trial.scale = 1;
    trial.background = 0;
    const std::vector<double> c = model.values(trial);
    trial.scale = v.scale;
    trial.background = v.background;
    linear_scale_and_background(model.points(), c, scale_free, background_free, trial);
    const double chi2 = chi2_of(model.points(), c, trial);
    if (chi2 < best) {
      best = chi2;
      best_values = trial;
    }
  }
  v = best_values;
}

ModelValues with(ModelValues v, const std::vector<FitParameter>& free, const std::vector<double>& x) {
  for (std::size_t j = 0; j < free.size(); ++j) v[free[j]] = x[j];
  return v;
}

void residuals(ScanModel& model, const ModelValues& v, std::vector<double>& r, std::vector<double>* slope) {
  const std::vector<double> m = model.values(v, slope);
  const std::vector<ScanPoint>& points = model.points();
  r.resize(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) r[i] = (m[i] - points[i].intensity) / points[i].sigma;
}

// dr/dx: the offset from the slope of the scan, scale and background exactly,
// the others by central differences.
void jacobian(ScanModel& model, const ModelValues& v, const std::vector<FitParameter>& free, std::vector<double>& J) {
  const std::vector<ScanPoint>& points = model.points();
  const std::size_t n = points.size(), p = free.size();
  J.assign(n * p, 0);
  ModelValues unit = v;
  unit.scale = 1;
  unit.background = 0;
  std::vector<double> slope;
  const std::vector<double> c = model.values(unit, &slope);
  for (std::size_t j = 0; j < p; ++j) {
    std::vector<double> column(n);
    switch (free[j]) {
      case FitParameter::offset:
        for (std::size_t i = 0; i < n; ++i) column[i] = v.scale * slope[i];
        break;
      case FitParameter::scale:
        column = c;
        break;
      case FitParameter::background:
        std::fill(column.begin(), column.end(), 1.0);
        break;
      default: {
        // A width near zero, where the model turns with its magnitude, by a step away from zero.
        const double value = v[free[j]], h = difference_step(free[j], value);
        const bool one_sided = changes_widths(free[j]) && std::fabs(value) < h;
        ModelValues up = v, down = v;
        up[free[j]] = one_sided ? value + (value < 0 ? -h : h) : value + h;
        down[free[j]] = one_sided ? value : value - h;
        const std::vector<double> mu = model.values(up), md = model.values(down);
        const double width = up[free[j]] - down[free[j]];
        for (std::size_t i = 0; i < n; ++i) column[i] = (mu[i] - md[i]) / width;
      }
    }
    double norm = 0;
    for (std::size_t i = 0; i < n; ++i) {
      J[i * p + j] = column[i] / points[i].sigma;
      norm += J[i * p + j] * J[i * p + j];
    }
    if (!(norm > 0))
      throw FitError("the scan cannot determine the " + std::string(parameter_name(free[j])) +
                     ": the model does not change with it");
  }
}

// The widths as the model took them; a scale at or below zero has no meaning.
void finish_values(FitOutcome& outcome) {
  for (const FitParameter p : outcome.free)
    if (changes_widths(p)) outcome.values[p] = std::fabs(outcome.values[p]);
  if (!(outcome.values.scale > 0))
    throw FitError("the fit drives the scale to zero or below: the scan does not show the calculated events");
}

}  // namespace

void set_uncertainties(const std::vector<double>& covariance, double rcond, FitOutcome& outcome) {
  const std::size_t p = outcome.free.size();
  if (rcond < kIndistinguishable)
    throw FitError("the free parameters cannot be told apart by this scan; free fewer of them");
  const double inflation = std::max(1.0, outcome.reduced_chi2);
  outcome.uncertainty.assign(p, 0);
  outcome.correlation.assign(p * p, 0);
  for (std::size_t j = 0; j < p; ++j) outcome.uncertainty[j] = std::sqrt(covariance[j * p + j] * inflation);
  for (std::size_t j = 0; j < p; ++j)
    for (std::size_t k = 0; k < p; ++k)
      outcome.correlation[j * p + k] = covariance[j * p + k] / std::sqrt(covariance[j * p + j] * covariance[k * p + k]);
  for (std::size_t j = 0; j < p; ++j)
    for (std::size_t k = j + 1; k < p; ++k)
      if (!(std::fabs(outcome.correlation[j * p + k]) < kLargestCorrelation))
        throw FitError("the " + std::string(parameter_name(outcome.free[j])) + " and the " +
                       std::string(parameter_name(outcome.free[k])) +
                       " cannot be told apart by this scan (correlation " +
                       std::to_string(outcome.correlation[j * p + k]) + "); free only one of them");
}

FitOutcome fit_scan(ScanModel& model, const std::vector<FitParameter>& free, ModelValues start) {
  start_values(model, free, start);
  LeastSquaresProblem problem;
  problem.parameters = free.size();
  problem.residuals = model.points().size();
  problem.evaluate = [&](const std::vector<double>& x, std::vector<double>& r, std::vector<double>* J) {
    const ModelValues v = with(start, free, x);
    residuals(model, v, r, nullptr);
    if (J != nullptr) jacobian(model, v, free, *J);
  };
  std::vector<double> x0;
  for (const FitParameter p : free) x0.push_back(start[p]);
  const LeastSquaresResult lsq = least_squares(problem, x0, kMaxIterations);

  FitOutcome outcome;
  outcome.free = free;
  outcome.values = with(start, free, lsq.x);
  outcome.points = problem.residuals;
  outcome.iterations = lsq.iterations;
  outcome.chi2 = lsq.chi2;
  outcome.reduced_chi2 = lsq.chi2 / static_cast<double>(problem.residuals - free.size());
  finish_values(outcome);
  set_uncertainties(lsq.covariance, lsq.rcond, outcome);
  return outcome;
}

}  // namespace kavro
