// A run state filled by hand for drawing the result page, and a reader of
// the paths in the PostScript text.
#pragma once

#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "run/run_state.hpp"
#include "run/zeit.hpp"

namespace kavro::testing {

inline constexpr float kCm = 28.34645f;  // points per cm

// A tube run over psi -10 .. 10 in half-degree steps (41 points, 1 degree
// per cm): a calculated scan with a 800 cps peak on a 100 cps plateau and a
// 60 cps dip, no measured scan, no events.
inline RunState calculated_only_state() {
  RunState st;
  st.title = "YIG (8 8 0) test";
  st.title.resize(80, ' ');
  st.primary.h = 8, st.primary.k = 8, st.primary.l = 0;
  st.radiation.wavind = "Ag";
  st.radiation.idesy = RadiationKind::tube;
  st.radiation.lambda_min_A = 0.5f, st.radiation.lambda_max_A = 0.6f;
  st.radiation.half_width1_A = 0.01f, st.radiation.half_width2_A = 0.02f;
  st.primary.f = 12.5f, st.primary.phi = 180.0f, st.calculated.theta_prim = 16.43f;
  st.grid.psia = -10.0f, st.grid.psie = 10.0f, st.grid.steps_per_degree = 2.0f;
  st.grid.step_count = 40;
  st.sample.diverp = 0.14f, st.sample.divers = 0.14f, st.sample.radius = 150.0f, st.sample.eta = 0.02f;
  st.options.nnn = 0, st.options.drumin = 1.0f, st.options.scan_threshold_cps = 0.01f;
  st.calculated.scan_calc.assign(41, 100.0f);
  st.calculated.scan_calc[10] = 800.0f;
  st.calculated.scan_calc[11] = 450.0f;
  st.calculated.scan_calc[30] = 60.0f;
  st.measured.scan_obs.assign(41, 1.0e20f);
  st.calculated.iprim_calc = 100.0f, st.calculated.imax_calc = 800.0f, st.calculated.imin_calc = 60.0f;
  return st;
}

// The same run with a measured scan that has gaps (every fifth step and the
// last ten steps unmeasured).
inline RunState measured_state() {
  RunState st = calculated_only_state();
  st.measured.scan_given = 1;
  for (int i = 0; i < 31; ++i) {
    if (i % 5 != 2) st.measured.scan_obs[static_cast<std::size_t>(i)] = 200.0f + 10.0f * static_cast<float>(i % 7);
  }
  st.measured.imax_obs = 260.0f, st.measured.imin_obs = 200.0f, st.measured.iprim_obs = 230.0f;
  return st;
}

// A psi-lambda event with |H1|^2 = 0, |H1|p = 0 and |h2|^2 - p^2 = 1, for which
// cos(psi - alpha) = 0.5 |h2|^2 lambda: alpha in degrees.
inline std::array<float, 6> event(float alpha_degrees, float q2, float code) {
  return {alpha_degrees * std::numbers::pi_v<float> / 180.0f, q2, 0.0f, 0.0f, 1.0f, code};
}

inline TimeSample sample_time() {
  TimeSample t;
  t.day = 5, t.month = 4, t.year = 2001;
  t.hour = 9, t.minute = 7, t.second = 3;
  return t;
}

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A stroked path, points in cm.
struct Path {
  std::vector<float> x, y;
};

// The stroked paths of PostScript text written with the plotter's "m", "l"
// and "st"; moves that only place text are passed over.
inline std::vector<Path> paths_of(const std::string& ps) {
  std::vector<Path> paths;
  Path current;
  std::vector<float> numbers;
  std::istringstream words(ps);
  for (std::string w; words >> w;) {
    if (w == "m") current = Path{};
    if ((w == "m" || w == "l") && numbers.size() >= 2) {
      current.x.push_back(numbers[numbers.size() - 2] / kCm);
      current.y.push_back(numbers.back() / kCm);
    }
    if (w == "st" && current.x.size() >= 2) paths.push_back(current);
    if (w == "st") current = Path{};
    char* end = nullptr;
    const float value = std::strtof(w.c_str(), &end);
    if (end != w.c_str() && *end == '\0') numbers.push_back(value);
    else numbers.clear();
  }
  return paths;
}

}  // namespace kavro::testing
