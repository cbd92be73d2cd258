// A calculation to fit and measured scans written from its own model with
// known parameters and counting noise.
#pragma once

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fit/fit_calculation.hpp"
#include "fit/scan_model.hpp"

namespace kavro::testing {

inline Calculation calculation_of(const std::string& input_file) {
  std::ifstream input(input_file);
  std::ostringstream listing;
  return fit_calculation(input, listing);
}

// Si 2 2 2 with synchrotron radiation, psi 176 to 179 at 1000 steps per degree: a few events.
inline Calculation silicon_222() { return calculation_of(std::string(KAVRO_EXAMPLES_DIR) + "/si222_no_scan.inp"); }

// Si with a Mo tube (two lines), psi -30 to 30 at 50 steps per degree: many events.
inline Calculation silicon_tube() {
  return calculation_of(std::string(KAVRO_EXAMPLES_DIR) + "/../tests/golden/inputs/si_explicit.inp");
}

// Si 2 2 2 at 10.08 keV (1.23 A) with divergences of 0.01 degree, psi 168 to
// 192 at 20 steps per degree: a dozen peaks and some dips, among them three
// peaks 0.17 and 0.20 degree apart at 173.1 to 173.5.
inline Calculation silicon_10kev(float psia = 168, float psie = 192) {
  std::ifstream file(std::string(KAVRO_EXAMPLES_DIR) + "/si222_no_scan.inp");
  std::string text, line;
  for (int n = 1; std::getline(file, line); ++n) {
    if (n == 4) line = "1 1.23  5.43 1 1 1 58.19";
    if (n == 5) line = "0.01  0.01  84.  84. 0.0";
    if (n == 6) line = std::to_string(psia) + " " + std::to_string(psie) + " 20. 8  1. 0.";
    text += line + "\n";
  }
  std::istringstream input(text);
  std::ostringstream listing;
  return fit_calculation(input, listing);
}

// The model of `truth` at a point every `spacing` degrees of the window,
// from the calculation on a grid of `fine` steps per degree that covers
// offsets up to 6 degrees.
inline std::vector<ScanPoint> exact_counts(const Calculation& c, const ModelValues& truth, double spacing,
                                           double fine = 4000) {
  std::vector<ScanPoint> points;
  for (double psi = c.grid.psia + 0.0037; psi < c.grid.psie; psi += spacing) points.push_back({psi, 0, 1, false});
  Calculation fine_grid = c;
  fine_grid.grid.psia -= 6;
  fine_grid.grid.psie += 6;
  fine_grid.grid.steps_per_degree = fine_grid.grid.zsw1 = static_cast<float>(fine);
  fine_grid.grid.step_count = static_cast<int>(std::round((fine_grid.grid.psie - fine_grid.grid.psia) * fine));
  ScanModel model(fine_grid, points, false);
  const std::vector<double> exact = model.values(truth);
  for (std::size_t i = 0; i < points.size(); ++i) points[i].intensity = exact[i];
  return points;
}

// Poisson counts about the exact ones, without a sigma column.
inline std::vector<ScanPoint> counted(std::vector<ScanPoint> points, unsigned seed) {
  std::mt19937 random(seed);
  for (ScanPoint& p : points) {
    p.intensity = static_cast<double>(std::poisson_distribution<long>(std::max(p.intensity, 0.0))(random));
    p.sigma = std::sqrt(std::max(p.intensity, 1.0));
    p.sigma_given = false;
  }
  return points;
}

// A point every `every` steps between the grid's steps, the model of `truth`
// at each with Poisson-like noise of sigma sqrt(I).
inline std::vector<ScanPoint> measured_scan(const Calculation& c, const ModelValues& truth, bool divergence_free,
                                            int every = 2, unsigned seed = 7) {
  std::vector<ScanPoint> points;
  for (int i = 1; i < c.grid.step_count - 1; i += every) points.push_back({c.grid.psia + (i + 0.37) / c.grid.steps_per_degree, 0, 1});
  ScanModel model(c, points, divergence_free);
  const std::vector<double> exact = model.values(truth);
  std::mt19937 random(seed);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double sigma = std::sqrt(std::max(exact[i], 1.0));
    points[i].intensity = exact[i] + std::normal_distribution<double>(0, sigma)(random);
    points[i].sigma = sigma;
  }
  return points;
}

// The scale that puts the strongest calculated point near `counts`.
inline double scale_for(const Calculation& c, double counts) {
  ScanModel model(c, {{c.grid.psia, 0, 1}}, false);
  const std::vector<float>& scan = model.scan(model.start()).scan_calc;
  return counts / *std::max_element(scan.begin(), scan.end());
}

}  // namespace kavro::testing
