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
constexpr long kMostStartShifts = 400;
// Poisson weights: refits with the weights of the last model, until no
// parameter moves by a tenth of its uncertainty.
constexpr std::size_t kMostReweightings = 5;
constexpr double kSettledWeights = 0.1;
constexpr double kLeastCounts = 0.1;
constexpr double kLeastModel = 1e-9;  // counts: a model at or below zero has no likelihood

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
void linear_scale_and_background(const std::vector<ScanPoint>& points, const std::vector<double>& sigma,
                                 const std::vector<double>& c, bool scale_free, bool background_free, ModelValues& v) {
  double sw = 0, sc = 0, scc = 0, si = 0, sci = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double w = 1 / (sigma[i] * sigma[i]);
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

double chi2_of(const std::vector<ScanPoint>& points, const std::vector<double>& sigma, const std::vector<double>& c,
               const ModelValues& v) {
  double sum = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double r = (v.scale * c[i] + v.background - points[i].intensity) / sigma[i];
    sum += r * r;
  }
  return sum;
}

// Start values of the parameters that enter the model linearly or by a shift.
void start_values(ScanModel& model, const std::vector<FitParameter>& free, const std::vector<double>& sigma,
                  double offset_search, ModelValues& v) {
  const bool scale_free = is_free(free, FitParameter::scale);
  const bool background_free = is_free(free, FitParameter::background);
  const int shifts = is_free(free, FitParameter::offset)
                         ? static_cast<int>(std::min(kMostStartShifts, std::lround(offset_search * model.grid().steps_per_degree)))
                         : 0;
  const double step = shifts > 0 ? offset_search / shifts : 0;
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
    linear_scale_and_background(model.points(), sigma, c, scale_free, background_free, trial);
    const double chi2 = chi2_of(model.points(), sigma, c, trial);
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

void residuals(ScanModel& model, const ModelValues& v, const std::vector<double>& sigma, std::vector<double>& r) {
  const std::vector<double> m = model.values(v);
  const std::vector<ScanPoint>& points = model.points();
  r.resize(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) r[i] = (m[i] - points[i].intensity) / sigma[i];
}

// dr/dx: the offset from the slope of the scan, scale and background exactly,
// the others by central differences.
void jacobian(ScanModel& model, const ModelValues& v, const std::vector<FitParameter>& free,
              const std::vector<double>& sigma, std::vector<double>& J) {
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
      J[i * p + j] = column[i] / sigma[i];
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
  // Chi-square over its degrees of freedom scatters by sqrt(2 / dof) about 1 for a model that describes the scan.
  const double dof = std::max(1.0, static_cast<double>(outcome.points) - static_cast<double>(p));
  outcome.inflated = outcome.reduced_chi2 > 1 + 3 * std::sqrt(2 / dof);
  const double inflation = outcome.inflated ? outcome.reduced_chi2 : 1.0;
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

double counting_sigma(double model_counts) { return std::sqrt(std::max(model_counts, kLeastCounts)); }

FitOutcome fit_scan(ScanModel& model, const std::vector<FitParameter>& free, ModelValues start,
                    const ScanFitOptions& options) {
  const std::vector<ScanPoint>& points = model.points();
  std::vector<double> sigma(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) sigma[i] = points[i].sigma;
  start_values(model, free, sigma, options.offset_search, start);
  const auto model_sigma = [&](const ModelValues& v) {
    const std::vector<double> m = model.values(v);
    for (std::size_t i = 0; i < points.size(); ++i) sigma[i] = counting_sigma(m[i]);
  };
  if (options.counted) {
    model_sigma(start);
    start_values(model, free, sigma, 0, start);
  }
  const double start_scale = start.scale;
  LeastSquaresProblem problem;
  problem.parameters = free.size();
  problem.residuals = points.size();
  problem.evaluate = [&](const std::vector<double>& x, std::vector<double>& r, std::vector<double>* J) {
    const ModelValues v = with(start, free, x);
    residuals(model, v, sigma, r);
    if (J != nullptr) jacobian(model, v, free, sigma, *J);
  };
  std::vector<double> x0;
  for (const FitParameter p : free) x0.push_back(start[p]);
  std::size_t reweightings = 0;
  if (options.counted) {
    // Poisson's maximum likelihood: the deviance residuals, whose squares sum to -2 ln(L / L_saturated).
    const std::vector<double> ones(points.size(), 1.0);
    LeastSquaresProblem deviance = problem;
    deviance.evaluate = [&](const std::vector<double>& x, std::vector<double>& r, std::vector<double>* J) {
      const ModelValues v = with(start, free, x);
      const std::vector<double> m = model.values(v);
      r.resize(points.size());
      std::vector<double> slope(points.size());
      for (std::size_t i = 0; i < points.size(); ++i) {
        const double mi = std::max(m[i], kLeastModel), n = std::max(points[i].intensity, 0.0);
        const double half = mi - n + (n > 0 ? n * std::log(n / mi) : 0);
        r[i] = std::copysign(std::sqrt(2 * std::max(half, 0.0)), mi - n);
        // dr/dm = (1 - n/m) / r, which tends to 1/sqrt(m) where r vanishes.
        slope[i] = m[i] < kLeastModel ? 0 : std::fabs(r[i]) > 1e-6 ? (1 - n / mi) / r[i] : 1 / std::sqrt(mi);
      }
      if (J == nullptr) return;
      jacobian(model, v, free, ones, *J);
      for (std::size_t i = 0; i < points.size(); ++i)
        for (std::size_t j = 0; j < free.size(); ++j) (*J)[i * free.size() + j] *= slope[i];
    };
    x0 = least_squares(deviance, x0, kMaxIterations).x;
    // Chi-square with the model's counts as variances has its minimum there too; its curvature gives the uncertainties.
    model_sigma(with(start, free, x0));
    reweightings = 1;
  }
  LeastSquaresResult lsq = least_squares(problem, x0, kMaxIterations);
  std::vector<double> previous = x0;
  while (options.counted && reweightings < kMostReweightings) {
    bool settled = true;
    for (std::size_t j = 0; j < free.size(); ++j)
      settled = settled &&
                std::fabs(lsq.x[j] - previous[j]) <= kSettledWeights * std::sqrt(lsq.covariance[j * free.size() + j]);
    if (settled) break;
    previous = lsq.x;
    model_sigma(with(start, free, lsq.x));
    lsq = least_squares(problem, lsq.x, kMaxIterations);
    ++reweightings;
  }

  FitOutcome outcome;
  outcome.free = free;
  outcome.values = with(start, free, lsq.x);
  outcome.points = problem.residuals;
  outcome.iterations = lsq.iterations;
  outcome.chi2 = lsq.chi2;
  outcome.reduced_chi2 = lsq.chi2 / static_cast<double>(problem.residuals - free.size());
  outcome.counted = options.counted;
  outcome.reweightings = reweightings;
  outcome.start_scale = start_scale;
  finish_values(outcome);
  set_uncertainties(lsq.covariance, lsq.rcond, outcome);
  return outcome;
}

}  // namespace kavro
