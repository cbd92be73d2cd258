// A calculation to fit and measured scans written from its own model with
// known parameters and counting noise.
#pragma once

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

// A point every `every` steps between the grid's steps, the model of `truth`
// at each with Poisson-like noise of sigma sqrt(I).
inline std::vector<ScanPoint> measured_scan(const Calculation& c, const ModelValues& truth, bool divergence_free,
                                            int every = 2, unsigned seed = 7) {
  std::vector<ScanPoint> points;
  for (int i = 1; i < c.grid.nstep - 1; i += every) points.push_back({c.grid.psia + (i + 0.37) / c.grid.zsw, 0, 1});
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
