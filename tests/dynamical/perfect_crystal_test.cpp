// The perfect crystal of a prepared calculation (silicon, the example input):
// two beams where no other point is near the sphere, the dynamical psi-scan's
// peaks at the kinematic events and the two-beam value between them.
#include "dynamical/perfect_crystal.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>

#include "engine/calculation.hpp"
#include "kavro/error.hpp"
#include "run/input_preparation.hpp"
#include "two_beam.hpp"

namespace kavro::dynamical {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kArcsec = kPi / 648000;

// The silicon example (Ag K-alpha) with the primary line replaced by `primary` when given.
Calculation silicon(const std::string& primary = "", const std::string& psi_line = "") {
  std::ifstream file(std::string(KAVRO_EXAMPLES_DIR) + "/si222_no_scan.inp");
  std::stringstream text;
  text << file.rdbuf();
  std::string input = text.str();
  if (!primary.empty()) input = std::regex_replace(input, std::regex("2  2  2   1.5    0. 176.0   176.1"), primary);
  if (!psi_line.empty()) input = std::regex_replace(input, std::regex("176. 179. 1000. 8  1. 0."), psi_line);
  std::istringstream in(input);
  std::ostringstream listing;
  return read_calculation(in, listing);
}

// The closed-form two-beam reflectivity of the primary of `crystal` (symmetric Bragg) at dtheta.
double two_beam(const PerfectCrystal& crystal, double dtheta, bool sigma) {
  const Hkl h = crystal.primary();
  const double theta = crystal.bragg_angle();
  // alpha = (|k0 + h|^2 - k^2) / k^2 = (H/k) (H/k - 2 sin(theta + dtheta)), H/k = 2 sin(theta)
  const double alpha = 2 * std::sin(theta) * (2 * std::sin(theta) - 2 * std::sin(theta + dtheta));
  return test::bragg_reflectivity(crystal.chi({0, 0, 0}), crystal.chi(h), crystal.chi({-h[0], -h[1], -h[2]}), -1,
                                  sigma ? 1 : std::fabs(std::cos(2 * theta)), alpha);
}

// An azimuth where only the incident beam and the primary are near the sphere.
double two_beam_azimuth(const PerfectCrystal& crystal, double lo, double hi) {
  for (double psi = 0; psi < 360; psi += 0.37)
    if (crystal.beams_near(psi, lo, hi).size() == 2) return psi;
  ADD_FAILURE() << "no azimuth with two beams";
  return 0;
}

TEST(PerfectCrystal, OneStrongBeamFarFromOthersGivesTheTwoBeamCurve) {
  const Calculation c = silicon("4  0  0   0.     0. 176.0   176.1");
  const PerfectCrystal crystal(c, {});
  const double lo = -8 * kArcsec, hi = 8 * kArcsec;
  const double psi = two_beam_azimuth(crystal, lo, hi);
  const RockingCurve curve = rocking_curve(crystal, psi, lo, hi, 161);
  ASSERT_EQ(curve.beams.size(), 2u);
  double peak = 0;
  for (std::size_t i = 0; i < curve.dtheta.size(); ++i) {
    EXPECT_NEAR(curve.points[i].r_sigma, two_beam(crystal, curve.dtheta[i], true), 1e-3) << curve.dtheta[i] / kArcsec;
    EXPECT_NEAR(curve.points[i].r_pi, two_beam(crystal, curve.dtheta[i], false), 1e-3) << curve.dtheta[i] / kArcsec;
    peak = std::max(peak, curve.points[i].r_sigma);
  }
  EXPECT_GT(peak, 0.8);
}

TEST(PerfectCrystal, ScanPeaksAtTheKinematicEventsAndIsTwoBeamBetween) {
  // The 2 2 2 of the example (F-prim 1.5 as given), 176 to 179 degrees at 100 steps per degree.
  const Calculation c = silicon("", "176. 179. 100. 8  1. 0.");
  std::ostringstream messages;
  std::vector<KeptPass> kept;
  const CalculationResult kinematic = calculate(c, messages, &kept);
  const PerfectCrystal crystal(c, {});
  const DynamicalScan scan = dynamical_scan(crystal, c.grid);
  ASSERT_EQ(scan.psi.size(), 301u);

  // The two-beam peak, from the closed form.
  // The two-beam peak, from the closed form: the curve is some 0.03 arcsec wide.
  double two_beam_peak[1] = {0};
  for (int pol = 0; pol < 1; ++pol) {
    double best = 0;
    for (double a = -20; a <= 20; a += 0.002)
      if (two_beam(crystal, a * kArcsec, pol == 0) > two_beam(crystal, best * kArcsec, pol == 0)) best = a;
    for (double a = best - 0.002; a <= best + 0.002; a += 1e-6)
      two_beam_peak[pol] = std::max(two_beam_peak[pol], two_beam(crystal, a * kArcsec, pol == 0));
  }
  ASSERT_EQ(crystal.sigma_weight(), 1);  // synchrotron radiation, sigma polarised: the scan is of R_sigma
  const auto deviation = [&](std::size_t i) { return std::fabs(scan.peak[i] - two_beam_peak[0]); };
  const auto near_crossing = [&](double psi) {
    for (const KeptEvent& e : kept.front().events)
      if (std::fabs(e.geometry.psi_a - psi) < 0.015 || std::fabs(e.geometry.psi_b - psi) < 0.015) return true;
    return false;
  };
  int two_beam_steps = 0;
  for (std::size_t i = 0; i < scan.psi.size(); ++i) {
    if (scan.beams[i] == 2) {
      ++two_beam_steps;
      EXPECT_NEAR(scan.peak[i], two_beam_peak[0], 1e-3) << scan.psi[i];
    }
    if (deviation(i) > 0.02) {
      EXPECT_TRUE(near_crossing(scan.psi[i])) << "a peak at " << scan.psi[i] << " without an event";
    }
  }
  EXPECT_GT(two_beam_steps, 100);
  // Every strong kinematic event of the window shows within a step and a half.
  int strong = 0;
  for (const EventRecord& e : kinematic.passes.front().store.records) {
    if (e.ik_s2 < 0.1 || e.psi < 176.02 || e.psi > 178.98) continue;
    ++strong;
    double largest = 0;
    for (std::size_t i = 0; i < scan.psi.size(); ++i)
      if (std::fabs(scan.psi[i] - e.psi) < 0.015) largest = std::max(largest, deviation(i));
    EXPECT_GT(largest, 0.1) << "no peak at the event of " << e.h2[0] << " " << e.h2[1] << " " << e.h2[2];
  }
  EXPECT_EQ(strong, 2);
}

// The closed-form sigma curve of `crystal` integrated from lo to hi (radians), by Simpson's rule.
double two_beam_integral(const PerfectCrystal& crystal, double lo, double hi) {
  constexpr int kIntervals = 20000;
  const double h = (hi - lo) / kIntervals;
  double sum = two_beam(crystal, lo, true) + two_beam(crystal, hi, true);
  for (int i = 1; i < kIntervals; ++i) sum += (i % 2 ? 4 : 2) * two_beam(crystal, lo + i * h, true);
  return sum * h / 3;
}

TEST(PerfectCrystal, IntegratedReflectivityOfTwoBeamsAndOfAThinPlate) {
  const Calculation c = silicon("4  0  0   0.     0. 176.0   176.1");
  const double psi = two_beam_azimuth(PerfectCrystal(c, {}), -8 * kArcsec, 8 * kArcsec);
  {
    // A half-space: the Darwin-Prins curve over the step's range, as documented.
    const PerfectCrystal crystal(c, {});
    const TwoBeamWidth w = crystal.two_beam_width(psi);
    const double half = 4 * w.half_width + 2 * std::abs(crystal.chi({0, 0, 0})) / std::sin(2 * crystal.bragg_angle());
    const ScanStep s = scan_step(crystal, psi, ScanQuantity::integrated);
    ASSERT_EQ(s.beams, 2);
    const double expected = two_beam_integral(crystal, w.centre - half, w.centre + half) * 1e6;
    EXPECT_NEAR(s.integrated_sigma / expected, 1.0, 2e-3) << s.integrated_sigma << " urad";
    EXPECT_EQ(s.integrated, s.integrated_sigma);  // synchrotron radiation, sigma polarised
    EXPECT_GT(s.peak, 0.8);
  }
  {
    // A plate of 0.1 micrometre, a twentieth of the extinction length: the
    // kinematic pi^2 |chi_h|^2 t / (lambda gamma_0 sin 2 theta), less the
    // tails beyond 16 side maxima (1 / (16 pi^2)) and a little absorption.
    DynamicalOptions o;
    o.thickness = 1000;
    const PerfectCrystal crystal(c, o);
    const ScanStep s = scan_step(crystal, psi, ScanQuantity::integrated);
    const double theta = crystal.bragg_angle(), lambda = c.radiation.alam1;
    const double kinematic = kPi * kPi * std::norm(crystal.chi(crystal.primary())) * o.thickness /
                             (lambda * std::sin(theta) * std::sin(2 * theta)) * 1e6;
    EXPECT_NEAR(s.integrated_sigma / kinematic, 1 - 1 / (16 * kPi * kPi), 2e-3) << s.integrated_sigma << " urad";
    EXPECT_LT(s.peak, 0.02);
  }
}

TEST(PerfectCrystal, ScanIsMirrorSymmetricAboutAMirrorPlaneThroughThePrimary) {
  // Silicon's mirror x <-> y contains 1 1 1 and 2 2 2; -1 -1 1 lies in it,
  // so its two crossings lie symmetric about the mirror's azimuth.
  const Calculation c = silicon("", "176. 179. 100. 8  1. 0.");
  std::ostringstream messages;
  std::vector<KeptPass> kept;
  calculate(c, messages, &kept);
  const auto in_plane = std::find_if(kept.front().events.begin(), kept.front().events.end(),
                                     [](const KeptEvent& e) { return e.geometry.h2 == Hkl{-1, -1, 1}; });
  ASSERT_NE(in_plane, kept.front().events.end());
  const double psi_a = in_plane->geometry.psi_a, psi_b = in_plane->geometry.psi_b;
  const double mirror = (psi_a + psi_b) / 2;
  const PerfectCrystal crystal(c, {});
  const double two_beam_peak = scan_step(crystal, mirror + 45.37).peak;
  int off_two_beam = 0;
  // At the crossings and near them, and between them.
  for (const double offset : {0.0, 0.002, -0.004, 0.011, 0.3, 7.1}) {
    const double x = std::fabs(psi_a - mirror) + offset;
    const ScanStep plus = scan_step(crystal, mirror + x), minus = scan_step(crystal, mirror - x);
    EXPECT_NEAR(plus.peak, minus.peak, 1e-6) << "psi " << mirror << " -+ " << x;
    EXPECT_EQ(plus.beams, minus.beams) << "psi " << mirror << " -+ " << x;
    off_two_beam += std::fabs(plus.peak - two_beam_peak) > 0.05;
  }
  EXPECT_GE(off_two_beam, 2);  // the crossings were really met
}

TEST(PerfectCrystal, RefusesWhatItCannotCompute) {
  const Calculation c = silicon();
  DynamicalOptions o;
  o.surface = Hkl{0, 0, 0};
  EXPECT_THROW(PerfectCrystal(c, o), Error);
  o.surface.reset();
  o.thickness = -1;
  EXPECT_THROW(PerfectCrystal(c, o), Error);
}

}  // namespace
}  // namespace kavro::dynamical
