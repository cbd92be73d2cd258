// The perfect crystal of a prepared calculation (silicon, the example input):
// two beams where no other point is near the sphere, the dynamical psi-scan's
// peaks at the kinematic events and the two-beam value between them.
#include "dynamical/perfect_crystal.hpp"

#include <gtest/gtest.h>

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
