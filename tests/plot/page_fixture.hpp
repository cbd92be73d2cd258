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
  st.h = 8, st.k = 8, st.l = 0;
  st.wavind = "Ag";
  st.idesy = kTube;
  st.lam_min = 0.5f, st.lam_max = 0.6f;
  st.lam_half1 = 0.01f, st.lam_half2 = 0.02f;
  st.f = 12.5f, st.phi = 180.0f, st.theta_prim = 16.43f;
  st.psia = -10.0f, st.psie = 10.0f, st.zsw = 2.0f;
  st.nstep = 40;
  st.diverp = 0.14f, st.divers = 0.14f, st.radius = 150.0f, st.eta = 0.02f;
  st.nnn = 0, st.drumin = 1.0f, st.drucut = 0.01f;
  st.scan_calc.assign(41, 100.0f);
  st.scan_calc[10] = 800.0f;
  st.scan_calc[11] = 450.0f;
  st.scan_calc[30] = 60.0f;
  st.scan_obs.assign(41, 1.0e20f);
  st.iprim_calc = 100.0f, st.imax_calc = 800.0f, st.imin_calc = 60.0f;
  return st;
}

// The same run with a measured scan that has gaps (every fifth step and the
// last ten steps unmeasured).
inline RunState measured_state() {
  RunState st = calculated_only_state();
  st.scan_given = 1;
  for (int i = 0; i < 31; ++i) {
    if (i % 5 != 2) st.scan_obs[static_cast<std::size_t>(i)] = 200.0f + 10.0f * static_cast<float>(i % 7);
  }
  st.imax_obs = 260.0f, st.imin_obs = 200.0f, st.iprim_obs = 230.0f;
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
