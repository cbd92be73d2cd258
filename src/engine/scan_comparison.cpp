// Extremes of the calculated scan and the psi shift between the calculated
// and the measured scan (mean absolute misfit after scaling the calculated
// maximum to the measured one).
#include "engine/scan_comparison.hpp"

#include <cmath>
#include <cstddef>

namespace kavro {
namespace {

constexpr float kSpikeFraction = 0.8f;  // measured steps at or above this share of the maximum are left out
constexpr float kLargestDeviation = 0.1f;  // degrees; a larger best shift is not believed

float step_psi(const PsiGrid& grid, int i) { return grid.psia + static_cast<float>(i) / grid.steps_per_degree; }

}  // namespace

void finish_calculated_scan(const PsiGrid& grid, CalculatedScan& calculated) {
  float maximum = 0;
  float minimum = 1e9f;
  for (int i = 0; i <= grid.step_count; ++i) {
    float& v = calculated.scan_calc[static_cast<std::size_t>(i)];
    v += calculated.iprim_calc;
    if (v >= maximum) maximum = v;
    if (v < minimum) minimum = v;
    if (v == maximum) calculated.psi_max_calc = step_psi(grid, i);
    if (v == minimum) calculated.psi_min_calc = step_psi(grid, i);
  }
  calculated.imax_calc = maximum;
  calculated.imin_calc = minimum < 0 ? 0.0f : minimum;
}

int best_shift(const std::vector<float>& obs, const std::vector<float>& calc, float ratio, float obs_max, int m) {
  std::vector<int> compared;
  for (std::size_t i = 0; i < obs.size(); ++i)
    if (obs[i] < kSpikeFraction * obs_max) compared.push_back(static_cast<int>(i));
  const int last = static_cast<int>(calc.size()) - 1;
  int shift = 0;
  double best = 1e8;
  for (int j = -m; j <= m; ++j) {
    double misfit = 0;
    double total = 0;
    for (const int i : compared) {
      if (i + j < 0 || i + j > last) continue;
      const float o = obs[static_cast<std::size_t>(i)];
      misfit += std::fabs(o - ratio * calc[static_cast<std::size_t>(i + j)]);
      total += std::fabs(o);
    }
    if (total > 0 && misfit / total < best) {
      shift = j;
      best = misfit / total;
    }
  }
  return shift;
}

void clip_negative_intensities(const PsiGrid& grid, CalculatedScan& calculated) {
  for (int i = 0; i <= grid.step_count; ++i) {
    float& value = calculated.scan_calc[static_cast<std::size_t>(i)];
    if (value < 0) value = 0;
  }
}

void compare_with_measurement(const Radiation& radiation, const PsiGrid& grid, MeasuredScan& measured,
                              CalculatedScan& calculated) {
  calculated.nshift = 0;
  calculated.deviation = 0;
  calculated.deviation_undetermined = false;
  if (calculated.imax_calc <= 0) {
    calculated.imax_calc = 1;
    calculated.deviation_undetermined = true;  // nothing calculated to shift
  } else {
    const float ratio = measured.imax_obs / calculated.imax_calc;
    const int m = grid.steps_per_degree <= 5 ? 10 : static_cast<int>(std::lround(grid.steps_per_degree));
    calculated.nshift = best_shift(measured.scan_obs, calculated.scan_calc, ratio, measured.imax_obs, m);
    calculated.deviation = static_cast<float>(calculated.nshift) / grid.steps_per_degree;
    calculated.deviation_undetermined = std::fabs(calculated.deviation) >= kLargestDeviation;
    if (calculated.deviation_undetermined) {
      calculated.nshift = 0;
      calculated.deviation = 0;
    }
  }
  if (radiation.idesy == RadiationKind::tube) {
    measured.iprim_obs *= 3;
    measured.err_prim_obs *= 3;
  }
}

}  // namespace kavro
