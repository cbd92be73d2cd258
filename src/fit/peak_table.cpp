// Measured peaks, their events, and the fit to their positions.
#include "fit/peak_table.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/event_geometry.hpp"
#include "fit/fit_calculation.hpp"
#include "fit/least_squares.hpp"

namespace kavro {
namespace {

constexpr double kPeakSignificance = 5;  // sigma
constexpr double kLevelWindow = 0.5;     // degrees either way
constexpr std::size_t kMaxIterations = 100;

// The point of median intensity: the level of the scan between its events.
ScanPoint median_point(std::vector<ScanPoint> points) {
  const auto middle = points.begin() + static_cast<std::ptrdiff_t>(points.size() / 2);
  std::nth_element(points.begin(), middle, points.end(),
                   [](const ScanPoint& a, const ScanPoint& b) { return a.intensity < b.intensity; });
  return *middle;
}

// Vertex of the parabola through three neighbouring points, within them.
double vertex(const ScanPoint& a, const ScanPoint& b, const ScanPoint& c) {
  const double da = b.psi - a.psi, dc = b.psi - c.psi;
  const double denominator = da * (b.intensity - c.intensity) - dc * (b.intensity - a.intensity);
  if (denominator == 0) return b.psi;
  const double v =
      b.psi - 0.5 * (da * da * (b.intensity - c.intensity) - dc * dc * (b.intensity - a.intensity)) / denominator;
  return std::clamp(v, a.psi, c.psi);
}

bool extreme_within(const std::vector<ScanPoint>& points, std::size_t i, double window, bool dip) {
  for (std::size_t j = i; j-- > 0 && points[i].psi - points[j].psi <= window;)
    if (dip ? points[j].intensity <= points[i].intensity : points[j].intensity >= points[i].intensity) return false;
  for (std::size_t j = i + 1; j < points.size() && points[j].psi - points[i].psi <= window; ++j)
    if (dip ? points[j].intensity < points[i].intensity : points[j].intensity > points[i].intensity) return false;
  return true;
}

}  // namespace

std::vector<MeasuredPeak> find_measured_peaks(std::vector<ScanPoint> points, double window) {
  std::vector<MeasuredPeak> peaks;
  if (points.size() < 3) return peaks;
  std::stable_sort(points.begin(), points.end(), [](const ScanPoint& a, const ScanPoint& b) { return a.psi < b.psi; });
  // The level about each point: the median within kLevelWindow degrees, so
  // that the slow tails of a strong event raise it rather than making the
  // plain stretches beside them dips.
  std::size_t first = 0, last = 0;
  std::vector<ScanPoint> near;
  for (std::size_t i = 1; i + 1 < points.size(); ++i) {
    while (points[i].psi - points[first].psi > kLevelWindow) ++first;
    while (last + 1 < points.size() && points[last + 1].psi - points[i].psi <= kLevelWindow) ++last;
    near.assign(points.begin() + static_cast<std::ptrdiff_t>(first), points.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    // A dip's own sigma is that of fewer counts: the level's sigma is the least a peak must stand out by.
    const ScanPoint level = median_point(near);
    const double height = points[i].intensity - level.intensity;
    if (std::fabs(height) <= kPeakSignificance * std::max(points[i].sigma, level.sigma)) continue;
    const bool dip = height < 0;
    if (!extreme_within(points, i, window, dip)) continue;
    peaks.push_back({vertex(points[i - 1], points[i], points[i + 1]), std::fabs(height), dip});
  }
  return peaks;
}

FitOutcome fit_peak_positions(const Calculation& base, const std::vector<PeakMatch>& matches,
                              const std::vector<FitParameter>& free, ModelValues start) {
  if (matches.size() < free.size() + 1)
    throw FitError("too few measured peaks match calculated events (" + std::to_string(matches.size()) +
                   ") for the free parameters");
  const auto positions = [&](const ModelValues& v) {
    const Calculation c = retuned_calculation(base, v.energy, v.cell);
    const SearchFrame first = search_frame(c.crystal, c.radiation, c.primary, c.grid, c.radiation.alam1);
    const SearchFrame second = search_frame(c.crystal, c.radiation, c.primary, c.grid, c.radiation.alam2);
    std::vector<double> psi;
    for (const PeakMatch& m : matches) {
      const auto e = locate_event(m.line == 0 ? first : second, m.event.h2);
      if (!e) throw FitError("an event of the peak table no longer reaches the sphere: the fit diverged");
      psi.push_back((m.event.crossing == 1 ? e->psi_a : e->psi_b) + v.offset);
    }
    return psi;
  };
  const auto values_of = [&](const std::vector<double>& x) {
    ModelValues v = start;
    for (std::size_t j = 0; j < free.size(); ++j) v[free[j]] = x[j];
    return v;
  };
  LeastSquaresProblem problem;
  problem.parameters = free.size();
  problem.residuals = matches.size();
  problem.evaluate = [&](const std::vector<double>& x, std::vector<double>& r, std::vector<double>* J) {
    const ModelValues v = values_of(x);
    const std::vector<double> psi = positions(v);
    r.resize(matches.size());
    for (std::size_t i = 0; i < matches.size(); ++i) r[i] = psi[i] - matches[i].peak.psi;
    if (J == nullptr) return;
    J->assign(matches.size() * free.size(), 0);
    for (std::size_t j = 0; j < free.size(); ++j) {
      ModelValues up = v, down = v;
      const double h = free[j] == FitParameter::offset ? 1e-3 : 2e-6;
      up[free[j]] += h;
      down[free[j]] -= h;
      const std::vector<double> pu = positions(up), pd = positions(down);
      for (std::size_t i = 0; i < matches.size(); ++i) (*J)[i * free.size() + j] = (pu[i] - pd[i]) / (2 * h);
    }
  };
  std::vector<double> x0;
  for (const FitParameter p : free) x0.push_back(start[p]);
  const LeastSquaresResult lsq = least_squares(problem, x0, kMaxIterations);
  FitOutcome outcome;
  outcome.free = free;
  outcome.values = values_of(lsq.x);
  outcome.points = matches.size();
  outcome.iterations = lsq.iterations;
  outcome.chi2 = lsq.chi2;
  // Unweighted positions: the covariance takes the scatter of the residuals as their variance.
  outcome.reduced_chi2 = lsq.chi2 / static_cast<double>(matches.size() - free.size());
  std::vector<double> covariance = lsq.covariance;
  for (double& c : covariance) c *= outcome.reduced_chi2;
  const double keep = outcome.reduced_chi2;
  outcome.reduced_chi2 = 0;  // no inflation beyond the scatter
  set_uncertainties(covariance, lsq.rcond, outcome);
  outcome.reduced_chi2 = keep;
  return outcome;
}

}  // namespace kavro
